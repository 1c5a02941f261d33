// Microware OS-9 lines.
#include "dirlex/os9_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "0.78": group and user numbers.
[[nodiscard]] bool is_owner(std::string_view t)
{
    const std::size_t dot = t.find('.');
    return dot != std::string_view::npos && dot > 0 && text::all_digits(t.substr(0, dot)) &&
           text::all_digits(t.substr(dot + 1));
}

// "d-ewrewr": a type flag and permission letters.
[[nodiscard]] bool is_attributes(std::string_view t)
{
    if (t.size() < 6 || t.size() > 10) {
        return false;
    }
    for (char c : t) {
        if (c != '-' && c != 'd' && c != 's' && c != 'e' && c != 'w' && c != 'r') {
            return false;
        }
    }
    return true;
}


}  // namespace

bool parse_os9_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 7 || !is_owner(t[0]) || !is_attributes(t[3]) || !text::all_hex(t[4])) {
        return decline(ctx, "not owner (G.U), YY/MM/DD date, HHMM time, attributes, sector, size, name");
    }
    dates::Ymd date;
    const std::string_view clock = t[2];
    if (!dates::parse_short_year_first(t[1], date) || clock.size() != 4 || !text::all_digits(clock)) {
        return decline(ctx, "no YY/MM/DD date and HHMM time after the owner");
    }
    const auto hour = text::to_uint(clock.substr(0, 2), 23);
    const auto minute = text::to_uint(clock.substr(2, 2), 59);
    const auto size = text::to_u64(t[5]);
    if (!hour || !minute || !size) {
        return false;
    }
    begin_entry(out);
    out.kind = t[3][0] == 'd' ? EntryKind::Directory : EntryKind::File;
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, static_cast<int>(*hour), static_cast<int>(*minute));
    return set_name(out, text::rest_after_blanks(line, text::end_of(line, t[5])));
}

}  // namespace varnix::dirlex
