// IBM OS/2 server lines.
#include "dirlex/os2_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "A", "R", "H", "S" in any combination, or "DIR".
[[nodiscard]] bool is_attribute(std::string_view t)
{
    if (t == "DIR") {
        return true;
    }
    if (t.empty() || t.size() > 4) {
        return false;
    }
    for (char c : t) {
        if (c != 'A' && c != 'R' && c != 'H' && c != 'S') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool parse_os2_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 4) {
        return decline(ctx, "not size, [DIR], attributes, MM-DD-YY date, time, name");
    }
    const auto size = text::to_u64(t[0]);
    if (!size) {
        return decline(ctx, "no MM-DD-YY date and time after the size and attributes");
    }
    begin_entry(out);
    std::size_t at = 1;
    for (; at < 4 && at < t.count && is_attribute(t[at]); ++at) {
        if (t[at] == "DIR") {
            out.kind = EntryKind::Directory;
        }
    }
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (at + 2 >= t.count || t[at].find('/') != std::string_view::npos || !dates::parse_numeric_date(t[at], date) ||
        !dates::parse_clock(t[at + 1], hour, minute)) {
        return false;
    }
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, text::rest_after_blanks(line, text::end_of(line, t[at + 1])));
}

}  // namespace varnix::dirlex
