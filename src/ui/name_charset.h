// How the panes show a server's names: automatic (UTF-8 where the bytes are valid UTF-8,
// else Latin-1) or a character set the profile names. Only the shown text is decoded; the
// bytes stay with the item and go back to the server unchanged.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

namespace varnix::ui {

// The character sets offered for a profile, those this Qt can decode; "" (automatic) is
// not among them.
[[nodiscard]] QStringList name_charsets();

// What the user typed, as a name for a server that uses `charset` (empty, or one this Qt
// cannot encode: UTF-8): at most max_bytes, never half a character. Text the set cannot hold
// goes as UTF-8, since a '?' put in its place would name another file, or every file where
// the server matches patterns.
[[nodiscard]] std::string encode_name(const QString& text, const std::string& charset, std::size_t max_bytes);

// Decodes names through one character set, kept open between names.
class NameDecoder {
public:
    // `charset` empty, or one this Qt cannot decode: automatic.
    [[nodiscard]] QString decode(std::string_view bytes, const std::string& charset);

private:
    std::string charset_;
    std::optional<QStringDecoder> decoder_;
};

}  // namespace varnix::ui
