// Name character sets for the panes.
#include "ui/name_charset.h"

#include <QStringEncoder>

#include "ui/input_dialogs.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

// Common on FTP servers that predate UTF-8: Western and Central European, Cyrillic, the
// Japanese, Chinese and Korean encodings, and the DOS code page.
constexpr const char* known_charsets[] = {"UTF-8",        "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-15",
                                          "windows-1250", "windows-1251", "windows-1252", "KOI8-R",
                                          "Shift_JIS",    "EUC-JP",       "GBK",          "Big5",
                                          "EUC-KR",       "IBM437"};

}  // namespace

QStringList name_charsets() {
    QStringList names;
    for (const char* name : known_charsets) {
        if (QStringDecoder(name).isValid()) names.push_back(QString::fromLatin1(name));
    }
    return names;
}

std::string encode_name(const QString& text, const std::string& charset, std::size_t max_bytes) {
    if (charset.empty()) return utf8_prefix(text, max_bytes);
    QStringEncoder encoder(charset.c_str());  // stateful: a stateless one does not count the misses
    if (!encoder.isValid()) return utf8_prefix(text, max_bytes);
    std::string bytes;
    // A character at a time, so that a cut falls between characters.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray piece = encoder.encode(QStringView(text).mid(i, step));
        if (encoder.hasError()) return utf8_prefix(text, max_bytes);
        if (bytes.size() + static_cast<std::size_t>(piece.size()) > max_bytes) break;
        bytes.append(piece.constData(), static_cast<std::size_t>(piece.size()));
        i += step;
    }
    return bytes;
}

QString NameDecoder::decode(std::string_view bytes, const std::string& charset) {
    if (charset.empty()) return display_text(bytes);
    if (charset != charset_ || !decoder_) {
        charset_ = charset;
        decoder_.emplace(charset.c_str(), QStringDecoder::Flag::Stateless);
    }
    if (!decoder_->isValid()) return display_text(bytes);
    // Bytes the set cannot read show as U+FFFD; the name itself is still the bytes.
    return decoder_->decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace varnix::ui
