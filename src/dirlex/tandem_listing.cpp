// HP NonStop (Tandem) Guardian lines.
#include "dirlex/tandem_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// The file code, sometimes flagged: "101", "0", "180O".
[[nodiscard]] bool is_file_code(std::string_view t)
{
    if (!t.empty() && text::is_alpha(t.back())) {
        t.remove_suffix(1);
    }
    return t.size() <= 5 && text::all_digits(t);
}

}  // namespace

bool parse_tandem_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 5 || !is_file_code(t[1])) {
        return decline(ctx, "not name, code, size, DD-MMM-YY date, time, owner, security");
    }
    const auto size = text::to_u64(t[2]);
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (!size || !dates::parse_day_monthname_year(t[3], date) || !dates::parse_clock(t[4], hour, minute)) {
        return decline(ctx, "no DD-MMM-YY date and time after the name, code and size");
    }
    begin_entry(out);
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, t[0]);
}

}  // namespace varnix::dirlex
