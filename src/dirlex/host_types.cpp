// The host type table: every code the library knows, its display name, and the list the
// profile dialogs show. Why each program code got its name is in README.md.
#include "dirlex/dirlex.h"

#include <array>

namespace varnix::dirlex {
namespace {

constexpr std::array<HostTypeInfo, 23> table{{
    {host::automatic, "Automatic detect"},
    {host::ka9q, "KA9Q NOS (PC, no rename)"},
    {host::ncsa, "NCSA/CUTCP Telnet (PC)"},
    {host::unix_generic, "UNIX (generic)"},
    {host::vms, "VMS"},
    {host::qvt, "QVT/Net PC FTP server"},
    {host::macintosh, "Macintosh (MacBinary)"},
    {host::vm_minidisk, "IBM VM/CMS minidisk"},
    {host::windows_nt, "Windows NT / IIS (DOS style)"},
    {host::mvs, "IBM MVS / z/OS"},
    {host::mvs_jes, "IBM MVS JES spool"},
    {host::delete_only, "Delete-only server"},
    {host::delete_only_no_cwd, "Delete-only server, no CWD"},
    {host::zvm, "IBM z/VM (CMS)"},
    {host::tandem, "HP NonStop (Tandem) Guardian"},
    {host::os400, "IBM OS/400 (AS/400, IBM i)"},
    {host::netware, "Novell NetWare"},
    {host::mlsd, "MLSD/MLST facts (RFC 3659)"},
    {host::eplf, "EPLF"},
    {host::os2, "IBM OS/2"},
    {host::vxworks, "Wind River VxWorks"},
    {host::os9, "Microware OS-9"},
    {host::router, "Router (Nortel wfFtp)"},
}};

}  // namespace

std::span<const HostTypeInfo> host_types()
{
    return table;
}

std::string_view host_type_name(int host_type)
{
    for (const HostTypeInfo& info : table) {
        if (info.code == host_type) {
            return info.name;
        }
    }
    return "Unknown host type";
}

void fill_host_type_list(HostTypeListSink& sink)
{
    for (const HostTypeInfo& info : table) {
        sink.add_item(info.name, info.code);
    }
}

}  // namespace varnix::dirlex
