// Novell NetWare lines.
#include "dirlex/netware_listing.h"

#include "dirlex/dates.h"
#include "dirlex/ls_date.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "[RWCEAFMS]" or "[R----F--]": only rights letters and dashes.
[[nodiscard]] bool is_rights(std::string_view t)
{
    if (t.size() < 3 || t.front() != '[' || t.back() != ']') {
        return false;
    }
    for (char c : t.substr(1, t.size() - 2)) {
        if (!text::is_alpha(c) && c != '-') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool parse_netware_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 6) {
        return decline(ctx, "fewer than six columns");
    }
    std::size_t first = 0;
    char type = 0;
    if ((t[0] == "d" || t[0] == "-") && is_rights(t[1])) {
        type = t[0][0];
        first = 2;
    } else if (t[0].size() > 3 && (t[0][0] == 'd' || t[0][0] == '-') && is_rights(t[0].substr(1))) {
        type = t[0][0];
        first = 1;
    } else {
        return decline(ctx, "no type letter and [RWCEAFMS] rights at the start");
    }
    for (std::size_t at = first + 1; at + 1 < t.count; ++at) {
        std::uint64_t size = 0;
        if (!text::is_digit(t[at - 1][0]) || !read_ls_size(t, at - 1, first, size)) {
            continue;
        }
        LsDate d;
        if (!read_ls_date(t, at, ctx.today, d)) {
            continue;
        }
        begin_entry(out);
        out.kind = type == 'd' ? EntryKind::Directory : EntryKind::File;
        out.size = size;
        dates::set_date_time(out, d.year, d.month, d.day, d.hour, d.minute);
        return set_name(out, text::rest_after_blanks(line, text::end_of(line, t[d.last_token])));
    }
    return false;
}

}  // namespace varnix::dirlex
