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
