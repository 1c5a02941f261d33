// The date and size columns of `ls -l` style listings.
#include "dirlex/ls_date.h"

#include "dirlex/dates.h"

namespace varnix::dirlex {
namespace {

constexpr std::string_view cjk_day = "\xe6\x97\xa5";     // 日
constexpr std::string_view korean_day = "\xec\x9d\xbc";  // 일

// "5", "05", "5,", "5." or "5日".
bool read_day(std::string_view token, int& day)
{
    if (token.size() > 3 && (token.ends_with(cjk_day) || token.ends_with(korean_day))) {
        token.remove_suffix(3);
    } else if (!token.empty() && (token.back() == ',' || token.back() == '.')) {
        token.remove_suffix(1);
    }
    if (token.size() > 2) {
        return false;
    }
    const auto v = text::to_uint(token, 31);
    if (!v || *v == 0) {
        return false;
    }
    day = static_cast<int>(*v);
    return true;
}

bool read_year(std::string_view token, int& year)
{
    if (token.size() != 4) {
        return false;
    }
    const auto v = text::to_uint(token, 9999);
    if (!v || *v < 1000) {
        return false;
    }
    year = static_cast<int>(*v);
    return true;
}

// After month and day: "HH:MM" (year inferred, or given after it as in "14:30:12 2019")
// or a year.
bool read_time_or_year(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    const std::string_view token = t[at];
    if (dates::parse_clock(token, d.hour, d.minute)) {
        d.last_token = at;
        // "Sat Jan  5 14:30:12 2019" (ls --full-time of old): the year follows a time with seconds.
        if (token.size() >= 8 && at + 2 < t.count && read_year(t[at + 1], d.year)) {
            d.last_token = at + 1;
            return true;
        }
        d.year = dates::infer_year(d.month, d.day, today);
        return true;
    }
    d.hour = 0;
    d.minute = 0;
    d.last_token = at;
    return read_year(token, d.year);
}

// "Jan 5 14:30", "Jan 5 2019", "Jan 5, 2019", with a weekday allowed in front.
bool month_first(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    if (dates::is_weekday(t[at]) && at + 1 < t.count) {
        ++at;
    }
    d.month = dates::month_from_name(t[at]);
    if (d.month == 0 || at + 2 >= t.count || !read_day(t[at + 1], d.day)) {
        return false;
    }
    return read_time_or_year(t, at + 2, today, d);
}

// "5 Jan 14:30", "5. Jan 2019" (German and other European locales).
bool day_first(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    if (at + 2 >= t.count || !read_day(t[at], d.day)) {
        return false;
    }
    d.month = dates::month_from_name(t[at + 1]);
    if (d.month == 0) {
        return false;
    }
    return read_time_or_year(t, at + 2, today, d);
}

// "2019-01-05 14:30", "2019-01-05 14:30:12.000000000 +0100", "2019-01-05" and "01-05 14:30".
bool iso(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    const std::string_view token = t[at];
    if (token.size() == 10 && token[4] == '-' && token[7] == '-') {
        const auto y = text::to_uint(token.substr(0, 4), 9999);
        const auto m = text::to_uint(token.substr(5, 2), 12);
        const auto dd = text::to_uint(token.substr(8, 2), 31);
        if (!y || !m || !dd || *m == 0 || *dd == 0 || *y < 1000) {
            return false;
        }
        d.year = static_cast<int>(*y);
        d.month = static_cast<int>(*m);
        d.day = static_cast<int>(*dd);
        d.last_token = at;
        if (at + 2 < t.count && dates::parse_clock(t[at + 1], d.hour, d.minute)) {
            d.last_token = at + 1;
            const std::string_view zone = t[at + 2];
            if (at + 3 < t.count && zone.size() == 5 && (zone[0] == '+' || zone[0] == '-') &&
                text::all_digits(zone.substr(1))) {
                d.last_token = at + 2;
            }
        }
        return true;
    }
    if (token.size() == 5 && token[2] == '-' && at + 2 < t.count) {
        const auto m = text::to_uint(token.substr(0, 2), 12);
        const auto dd = text::to_uint(token.substr(3, 2), 31);
        if (!m || !dd || *m == 0 || *dd == 0 || !dates::parse_clock(t[at + 1], d.hour, d.minute)) {
            return false;
        }
        d.month = static_cast<int>(*m);
        d.day = static_cast<int>(*dd);
        d.year = dates::infer_year(d.month, d.day, today);
        d.last_token = at + 1;
        return true;
    }
    return false;
}

}  // namespace

bool read_ls_date(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& out)
{
    if (at + 1 >= t.count) {
        return false;
    }
    LsDate d;
    const char c = t[at][0];
    const bool ok = text::is_digit(c) ? (day_first(t, at, today, d) || iso(t, at, today, d) ||
                                         month_first(t, at, today, d))
                                      : month_first(t, at, today, d);
    if (!ok || d.last_token + 1 >= t.count) {
        return false;
    }
    out = d;
    return true;
}

bool read_ls_size(const text::Tokens& t, std::size_t size_at, std::size_t first, std::uint64_t& size)
{
    const std::string_view token = t[size_at];
    if (token.empty()) {
        return false;
    }
    if (const auto v = text::to_u64(token)) {
        // "1, 3": the device numbers of a character or block special file.
        if (size_at > first) {
            const std::string_view major = t[size_at - 1];
            if (major.size() > 1 && major.back() == ',' && text::all_digits(major.substr(0, major.size() - 1))) {
                size = 0;
                return true;
            }
        }
        size = *v;
        return true;
    }
    // "4,64" when both device numbers are wide.
    const std::size_t comma = token.find(',');
    if (comma != std::string_view::npos && comma > 0 && text::all_digits(token.substr(0, comma)) &&
        text::all_digits(token.substr(comma + 1))) {
        size = 0;
        return true;
    }
    return false;
}

}  // namespace varnix::dirlex
