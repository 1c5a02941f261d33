// The entry point for listing lines: strips the line end, picks the order in which the
// dialect parsers try the line, and remembers what the listing has shown so far.
#include "dirlex/dirlex.h"

#include "dirlex/dialect.h"
#include "dirlex/dos_listing.h"
#include "dirlex/eplf_listing.h"
#include "dirlex/jes_listing.h"
#include "dirlex/mlsd_listing.h"
#include "dirlex/mvs_listing.h"
#include "dirlex/netware_listing.h"
#include "dirlex/os2_listing.h"
#include "dirlex/os400_listing.h"
#include "dirlex/os9_listing.h"
#include "dirlex/tandem_listing.h"
#include "dirlex/text_scan.h"
#include "dirlex/unix_listing.h"
#include "dirlex/vms_listing.h"
#include "dirlex/vxworks_listing.h"
#include "dirlex/zvm_listing.h"

#include <array>

namespace varnix::dirlex {
namespace {

struct Dialect {
    std::uint16_t code;
    DialectParser parse;
};

// Most distinctive first, so a line that several dialects could read goes to the one
// whose layout it fits most closely.
constexpr Dialect automatic_order[] = {
    {host::mlsd, parse_mlsd_line},       {host::eplf, parse_eplf_line},
    {host::unix_generic, parse_unix_line}, {host::netware, parse_netware_line},
    {host::windows_nt, parse_dos_line},  {host::vms, parse_vms_line},
    {host::os400, parse_os400_line},     {host::os2, parse_os2_line},
    {host::vxworks, parse_vxworks_line}, {host::tandem, parse_tandem_line},
    {host::zvm, parse_zvm_line},         {host::mvs_jes, parse_jes_line},
    {host::mvs, parse_mvs_line},         {host::os9, parse_os9_line},
};

// The dialect a host type's listings are written in.
[[nodiscard]] std::uint16_t dialect_of(int host_type)
{
    switch (host_type) {
    case host::ka9q:
    case host::ncsa:
    case host::qvt:
    case host::windows_nt:
        return host::windows_nt;
    case host::macintosh:
    case host::delete_only:
    case host::delete_only_no_cwd:
    case host::unix_generic:
        return host::unix_generic;
    case host::vm_minidisk:
        return host::zvm;
    default:
        return static_cast<std::uint16_t>(host_type);
    }
}

// The form of the PWD answer gives the dialect away on the mainframes.
[[nodiscard]] std::uint16_t dialect_from_directory(std::string_view dir)
{
    if (dir.empty()) {
        return 0;
    }
    if (dir.front() == '\'') {
        return host::mvs;
    }
    if (dir.find(":[") != std::string_view::npos || (dir.front() == '[' && dir.back() == ']')) {
        return host::vms;
    }
    if (text::istarts_with(dir, "/QSYS.LIB")) {
        return host::os400;
    }
    if (dir.front() == '\\' || dir.front() == '$') {
        return host::tandem;
    }
    return 0;
}

[[nodiscard]] const Dialect* find_dialect(std::uint16_t code)
{
    for (const Dialect& d : automatic_order) {
        if (d.code == code) {
            return &d;
        }
    }
    return nullptr;
}

[[nodiscard]] bool try_dialect(const Dialect& d, std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    if (!d.parse(line, ctx, out)) {
        return false;
    }
    if (out.host_type == 0) {
        out.host_type = d.code;
    }
    return true;
}

}  // namespace

bool parse_list_line(ListEntry& out, std::string_view line, int host_type, std::string_view remote_dir,
                     std::string_view /*user_id*/, const ParseContext& ctx)
{
    line = text::strip_line_end(line);
    if (ctx.state != nullptr && !ctx.state->pending_name.empty() && parse_vms_continuation(line, ctx, out)) {
        out.host_type = host::vms;
        ctx.state->dialect = host::vms;
        return true;
    }
    std::uint16_t preferred = dialect_of(host_type);
    if (preferred == host::automatic || find_dialect(preferred) == nullptr) {
        preferred = ctx.state != nullptr && ctx.state->dialect != 0 ? ctx.state->dialect
                                                                     : dialect_from_directory(remote_dir);
    }
    bool ok = false;
    const Dialect* first = find_dialect(preferred);
    if (first != nullptr) {
        ok = try_dialect(*first, line, ctx, out);
    }
    for (const Dialect& d : automatic_order) {
        if (ok) {
            break;
        }
        if (&d != first) {
            ok = try_dialect(d, line, ctx, out);
        }
    }
    if (!ok) {
        begin_entry(out);
        return false;
    }
    if (ctx.state != nullptr) {
        ctx.state->dialect = out.host_type;
        // A member list ends where another dialect's listing begins.
        if (out.host_type != host::mvs) {
            ctx.state->mvs_members = false;
        }
    }
    return true;
}

}  // namespace varnix::dirlex
