// Recognising a server's host type from its SYST answer or from its greeting and logon
// replies. Tests are on words the servers are known to send, case ignored.
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

// Greeting banners of server programs whose listing dialect is known.
constexpr Clue greeting_clues[] = {
    {"IBM FTP CS", host::mvs},         {"MVS", host::mvs},              {"z/OS", host::mvs},
    {"z/VM", host::zvm},               {"VM/ESA", host::zvm},           {"VM TCP/IP", host::zvm},
    {"OS/400", host::os400},           {"QTCP at", host::os400},        {"OS/2", host::os2},
    {"OpenVMS", host::vms},            {"MultiNet", host::vms},         {"TCPware", host::vms},
    {"VMS", host::vms},                {"NetWare", host::netware},      {"NonStop", host::tandem},
    {"Tandem", host::tandem},          {"VxWorks", host::vxworks},      {"OS-9", host::os9},
    {"NetPresenz", host::macintosh},   {"WebSTAR", host::macintosh},    {"Rumpus", host::macintosh},
    {"MACOS", host::macintosh},        {"NCSA", host::ncsa},            {"CUTCP", host::ncsa},
    {"QVT", host::qvt},                {"KA9Q", host::ka9q},            {"Microsoft FTP Service", host::windows_nt},
    {"Windows NT", host::windows_nt},  {"Windows Server", host::windows_nt},
    {"ProFTPD", host::unix_generic},   {"vsFTPd", host::unix_generic},  {"Pure-FTPd", host::unix_generic},
    {"wu-", host::unix_generic},       {"UNIX", host::unix_generic},    {"Linux", host::unix_generic},
};

template <std::size_t N>
int match(const Clue (&clues)[N], std::string_view text, int current)
{
    for (const Clue& clue : clues) {
        if (text::icontains(text, clue.word)) {
            return clue.code;
        }
    }
    return current;
}

}  // namespace

int host_type_from_syst(std::string_view syst_text, int current)
{
    return match(syst_clues, syst_text, current);
}

int host_type_from_line(std::string_view reply_line, int current)
{
    return match(greeting_clues, reply_line, current);
}

}  // namespace varnix::dirlex
