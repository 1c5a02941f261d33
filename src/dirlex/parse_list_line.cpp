// The entry point for listing lines: strips the line end, picks the order in which the
// dialect parsers try the line, and decides the listing's dialect from its first lines.
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
#include "dirlex/router_listing.h"
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
    {host::router, parse_router_line},
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

// The dialect tried first: the one the host type names, else the one the listing has
// settled on (or leads with), else the one the directory's form suggests.
[[nodiscard]] const Dialect* preferred_dialect(int host_type, std::string_view remote_dir, const ParseContext& ctx)
{
    std::uint16_t preferred = dialect_of(host_type);
    if (preferred == host::automatic || find_dialect(preferred) == nullptr) {
        preferred = ctx.state != nullptr && ctx.state->dialect != 0 ? ctx.state->dialect
                                                                     : dialect_from_directory(remote_dir);
    }
    return find_dialect(preferred);
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

// Lines only a listing already known to be of one dialect can be read as such: a bare PDS
// member name when the host type says MVS (in automatic mode a member header must have
// been seen, which the MVS parser itself tracks), an MLSD line whose fact list is empty
// when the host type or the settled listing says MLSD.
[[nodiscard]] bool read_in_known_dialect(int host_type, std::string_view line, const ParseContext& ctx,
                                         ListEntry& out)
{
    const std::uint16_t named = dialect_of(host_type);
    if (named == host::mvs && parse_mvs_bare_member(line, out)) {
        out.host_type = host::mvs;
        return true;
    }
    const bool settled_mlsd = ctx.state != nullptr && ctx.state->settled && ctx.state->dialect == host::mlsd;
    if ((named == host::mlsd || settled_mlsd) && parse_mlsd_without_facts(line, out)) {
        out.host_type = host::mlsd;
        return true;
    }
    return false;
}

// Counts the line toward the listing's dialect until the first lines have decided it.
void vote(ListingState& state, std::uint16_t code)
{
    if (state.settled) {
        return;
    }
    std::size_t slot = 0;
    while (slot < state.vote_code.size() && state.vote_code[slot] != code && state.vote_code[slot] != 0) {
        ++slot;
    }
    if (slot < state.vote_code.size()) {
        state.vote_code[slot] = code;
        ++state.votes[slot];
    }
    ++state.voted_lines;
    std::size_t best = 0;
    for (std::size_t i = 1; i < state.votes.size(); ++i) {
        if (state.votes[i] > state.votes[best]) {
            best = i;
        }
    }
    state.dialect = state.vote_code[best];
    state.settled = state.voted_lines >= ListingState::deciding_lines;
}

}  // namespace

bool parse_list_line(ListEntry& out, std::string_view line, int host_type, std::string_view remote_dir,
                     std::string_view /*user_id*/, const ParseContext& ctx)
{
    line = text::strip_line_end(line);
    if (ctx.state != nullptr && !ctx.state->pending_name.empty() && parse_vms_continuation(line, ctx, out)) {
        out.host_type = host::vms;
        vote(*ctx.state, host::vms);
        return true;
    }
    const Dialect* first = preferred_dialect(host_type, remote_dir, ctx);
    bool ok = first != nullptr && try_dialect(*first, line, ctx, out);
    for (const Dialect& d : automatic_order) {
        if (ok) {
            break;
        }
        if (&d != first) {
            ok = try_dialect(d, line, ctx, out);
        }
    }
    // What no dialect reads on its own: bare names of a known dialect, and a VMS entry the
    // server wrapped, handed over as one string with its line break.
    if (!ok) {
        ok = read_in_known_dialect(host_type, line, ctx, out);
    }
    if (!ok && parse_vms_wrapped(line, ctx, out)) {
        out.host_type = host::vms;
        ok = true;
    }
    if (!ok) {
        begin_entry(out);
        return false;
    }
    if (ctx.state != nullptr) {
        if (dialect_of(host_type) == host::automatic) {
            vote(*ctx.state, out.host_type);
        } else {
            ctx.state->dialect = out.host_type;
        }
        // A member list ends where another dialect's listing begins.
        if (out.host_type != host::mvs) {
            ctx.state->mvs_members = false;
        }
    }
    return true;
}

std::vector<DialectTrial> explain_list_line(std::string_view line, int host_type, std::string_view remote_dir,
                                            const ParseContext& ctx)
{
    line = text::strip_line_end(line);
    // A copy of the listing's state, so explaining a line does not change what it knows.
    ListingState state_copy;
    if (ctx.state != nullptr) {
        state_copy = *ctx.state;
    }
    std::string_view why;
    const ParseContext probe{ctx.today, ctx.state != nullptr ? &state_copy : nullptr, &why};
    std::vector<DialectTrial> trials;
    ListEntry scratch;
    const Dialect* first = preferred_dialect(host_type, remote_dir, ctx);
    const auto run = [&](const Dialect& d) {
        why = {};
        const bool read = try_dialect(d, line, probe, scratch);
        if (!read && why.empty()) {
            why = "the line does not have this dialect's columns";
        }
        trials.push_back(DialectTrial{d.code, read, read ? std::string_view{} : why});
    };
    if (first != nullptr) {
        run(*first);
    }
    for (const Dialect& d : automatic_order) {
        if (&d != first) {
            run(d);
        }
    }
    return trials;
}

}  // namespace varnix::dirlex
