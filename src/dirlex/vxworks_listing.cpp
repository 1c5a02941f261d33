// Wind River VxWorks lines.
#include "dirlex/vxworks_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {

bool parse_vxworks_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 4) {
        return decline(ctx, "not size, MMM-DD-YYYY date, time, name");
    }
    const auto size = text::to_u64(t[0]);
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (!size || !dates::parse_monthname_day_year(t[1], date) || !dates::parse_clock(t[2], hour, minute)) {
        return decline(ctx, "no MMM-DD-YYYY date and time after the size");
    }
    begin_entry(out);
    std::string_view name = text::trim_right(text::rest_after_blanks(line, text::end_of(line, t[2])));
    constexpr std::string_view dir_mark = "<DIR>";
    if (name.size() > dir_mark.size() && text::iequals(name.substr(name.size() - dir_mark.size()), dir_mark)) {
        out.kind = EntryKind::Directory;
        name = text::trim_right(name.substr(0, name.size() - dir_mark.size()));
    }
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, name);
}

}  // namespace varnix::dirlex
