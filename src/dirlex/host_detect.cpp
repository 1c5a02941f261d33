// Recognising a server's host type from its SYST answer or from its greeting and logon
// replies. SYST answers name the system; greetings count only in a server's own banner shape.
#include "dirlex/dirlex.h"

#include "dirlex/text_scan.h"

#include <string_view>

namespace varnix::dirlex {
namespace {

struct Clue {
    std::string_view word;
    std::uint16_t code;
};

// Specific systems before UNIX: several of them describe themselves as UNIX-like too.
constexpr Clue syst_clues[] = {
    {"MVS", host::mvs},           {"z/OS", host::mvs},          {"OS/390", host::mvs},
    {"z/VM", host::zvm},          {"VM/ESA", host::zvm},        {"VM/CMS", host::zvm},
    {"VM is the operating", host::zvm},
    {"OS/400", host::os400},      {"IBM i ", host::os400},      {"OS/2", host::os2},
    {"OpenVMS", host::vms},       {"VMS", host::vms},
    {"NETWARE", host::netware},   {"NonStop", host::tandem},    {"TANDEM", host::tandem},
    {"Guardian", host::tandem},   {"VxWorks", host::vxworks},   {"OS-9", host::os9},
    {"OS9", host::os9},           {"MACOS", host::macintosh},   {"MAC OS", host::macintosh},
    {"Windows_NT", host::windows_nt}, {"WIN32", host::windows_nt}, {"Windows", host::windows_nt},
    {"MSDOS", host::windows_nt},  {"UNIX", host::unix_generic}, {"Linux", host::unix_generic},
    {"BSD", host::unix_generic},
};

// Where a product's identifying words stand in its banner.
enum class At : std::uint8_t {
    Start,          // the text begins with them
    AfterHostName,  // one word (the host or the server's job name) comes first, or none
};

struct Banner {
    std::string_view shape;  // the fixed words, compared ignoring ASCII case
    At at;
    std::uint16_t code;
};

// The greetings the server programs print themselves. An administrator's welcome text
// ("Welcome to the OpenVMS mirror", "Files for MVS, VM and UNIX users") matches none of
// them, because the product words must open the text or follow only the host name.
constexpr Banner banners[] = {
    // "220-FTPD1 IBM FTP CS V2R4 at MVS1.EXAMPLE.COM, 10:00:00 on 2024-01-01."
    {"IBM FTP CS", At::AfterHostName, host::mvs},
    // "220-FTPSERVE IBM MVS V3R1 at ..." (TCP/IP for MVS before OS/390)
    {"IBM MVS V", At::AfterHostName, host::mvs},
    // "220-FTPSERVE IBM VM Level 720 at VMHOST.EXAMPLE.COM, 10:00:00 EST ..."
    {"IBM VM Level", At::AfterHostName, host::zvm},
    // "220-QTCP at AS400.EXAMPLE.COM."
    {"QTCP at ", At::Start, host::os400},
    // "220 vax.example.com MultiNet FTP Server Process V5.5(15) at Mon 1-Jan-2024 ..."
    {"MultiNet FTP Server Process", At::AfterHostName, host::vms},
    // "220 Microsoft FTP Service", "220 host Microsoft FTP Service (Version 5.0)."
    {"Microsoft FTP Service", At::AfterHostName, host::windows_nt},
    // "220 NetPresenz v4.1 awaits your command."
    {"NetPresenz v", At::Start, host::macintosh},
    // "220 VxWorks (5.4.2) FTP server ready", "220 Tornado-vxWorks (VxWorks5.5) FTP server"
    {"VxWorks (", At::Start, host::vxworks},
    {"Tornado-vxWorks ", At::Start, host::vxworks},
    {"VxWorks FTP server", At::Start, host::vxworks},
    // Servers of the UNIX world.
    {"ProFTPD ", At::Start, host::unix_generic},
    {"(vsFTPd ", At::Start, host::unix_generic},
    // Pure-FTPd opens with a row of dashes right after "220-".
    {"--------- Welcome to Pure-FTPd", At::Start, host::unix_generic},
    {"FTP server (Version wu-", At::AfterHostName, host::unix_generic},
    {"FTP server (SunOS ", At::AfterHostName, host::unix_generic},
};

// The reply text after a "220 " or "220-" code; a line without a code is taken whole.
[[nodiscard]] std::string_view strip_code(std::string_view line)
{
    line = text::strip_line_end(line);
    if (line.size() >= 4 && text::is_digit(line[0]) && text::is_digit(line[1]) && text::is_digit(line[2]) &&
        (line[3] == ' ' || line[3] == '-')) {
        line.remove_prefix(4);
    }
    return line;
}

[[nodiscard]] bool opens_with(std::string_view text, std::string_view shape)
{
    return text::istarts_with(text, shape);
}

// What servers print before their product words: a host name ("ftp.example.com", an
// address) or a job name in capitals ("FTPD1", "FTPSERVE"); never a word of prose.
[[nodiscard]] bool looks_like_host_name(std::string_view word)
{
    if (word.find('.') != std::string_view::npos || word.find(':') != std::string_view::npos) {
        return true;
    }
    for (char c : word) {
        if (c >= 'a' && c <= 'z') {
            return false;
        }
    }
    return true;
}

}  // namespace

int host_type_from_syst(std::string_view syst_text, int current)
{
    for (const Clue& clue : syst_clues) {
        if (text::icontains(syst_text, clue.word)) {
            return clue.code;
        }
    }
    return current;
}

int host_type_from_line(std::string_view reply_line, int current)
{
    const std::string_view text = strip_code(reply_line);
    // The first word may be the host or job name ("FTPD1", "ftp.example.com").
    std::string_view after_name;
    const std::size_t blank = text.find(' ');
    if (blank != std::string_view::npos && blank > 0 && looks_like_host_name(text.substr(0, blank))) {
        after_name = text::rest_after_blanks(text, blank);
    }
    for (const Banner& b : banners) {
        if (opens_with(text, b.shape) || (b.at == At::AfterHostName && opens_with(after_name, b.shape))) {
            return b.code;
        }
    }
    return current;
}

}  // namespace varnix::dirlex
