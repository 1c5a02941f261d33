// Name character sets for the panes.
#include "ui/name_charset.h"

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
