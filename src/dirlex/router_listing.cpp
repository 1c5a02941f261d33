// Router listings (Nortel wfFtp and the like).
#include "dirlex/router_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "Thur.", "Mon", "Tues": a weekday as the routers abbreviate it.
[[nodiscard]] bool is_weekday_word(std::string_view t)
{
    if (!t.empty() && t.back() == '.') {
        t.remove_suffix(1);
    }
    if (t.size() < 2 || t.size() > 9) {
        return false;
    }
    static constexpr std::string_view days[] = {"mon", "tu", "we", "th", "fr", "sa", "su"};
    for (std::string_view d : days) {
        if (text::istarts_with(t, d)) {
            for (char c : t) {
                if (!text::is_alpha(c)) {
                    return false;
                }
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool parse_router_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count != 5 || text::is_blank(line.front())) {
        return decline(ctx, "not five columns: name, size, date, weekday, time");
    }
    const auto size = text::to_u64(t[1]);
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (!size || !dates::parse_numeric_date(t[2], date) || !is_weekday_word(t[3]) ||
        !dates::parse_clock(t[4], hour, minute)) {
        return decline(ctx, "not name, size, MM/DD/YY, weekday, HH:MM:SS");
    }
    begin_entry(out);
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, t[0]);
}

}  // namespace varnix::dirlex
