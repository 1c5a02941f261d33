// The date and size columns of `ls -l` style listings.
#include "dirlex/ls_date.h"

#include "dirlex/dates.h"

namespace varnix::dirlex {
namespace {

// The year, month and day marks of East Asian dates, in UTF-8 and in the double-byte
// encodings older servers send them in (Shift-JIS, EUC-JP, EUC-KR, GBK, Big5).
enum class Mark { None, Year, Month, Day, Unknown };

struct MarkBytes {
    std::string_view bytes;
    Mark mark;
};

constexpr MarkBytes cjk_marks[] = {
    {"\xe6\x9c\x88", Mark::Month}, {"\xec\x9b\x94", Mark::Month},  // 月 월 (UTF-8)
    {"\xe6\x97\xa5", Mark::Day},   {"\xec\x9d\xbc", Mark::Day},    // 日 일
    {"\xe5\xb9\xb4", Mark::Year},  {"\xeb\x85\x84", Mark::Year},   // 年 년
    {"\x8c\x8e", Mark::Month},     {"\x93\xfa", Mark::Day},     {"\x94\x4e", Mark::Year},  // Shift-JIS
    {"\xb7\xee", Mark::Month},     {"\xc6\xfc", Mark::Day},     {"\xc7\xaf", Mark::Year},  // EUC-JP
    {"\xbf\xf9", Mark::Month},     {"\xc0\xcf", Mark::Day},     {"\xb3\xe2", Mark::Year},  // EUC-KR
    {"\xea\xc5", Mark::Month},     {"\xec\xed", Mark::Day},     {"\xd2\xb4", Mark::Year},  // EUC-KR hanja
    {"\xd4\xc2", Mark::Month},     {"\xc8\xd5", Mark::Day},     {"\xc4\xea", Mark::Year},  // GBK
    {"\xa4\xeb", Mark::Month},     {"\xa4\xe9", Mark::Day},     {"\xa6\x7e", Mark::Year},  // Big5
};

[[nodiscard]] constexpr bool is_high(char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }

// One "number + mark" part of a token; `token` moves past it. A mark in an encoding we do
// not know (non-ASCII bytes only) is Unknown; the caller decides what it can be.
[[nodiscard]] bool take_marked_number(std::string_view& token, unsigned& value, std::size_t& digits, Mark& mark)
{
    digits = 0;
    while (digits < token.size() && digits < 4 && text::is_digit(token[digits])) {
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    const auto v = text::to_uint(token.substr(0, digits), 9999);
    if (!v) {
        return false;
    }
    value = *v;
    token.remove_prefix(digits);
    mark = Mark::None;
    if (token.empty()) {
        return true;
    }
    for (const MarkBytes& m : cjk_marks) {
        if (token.starts_with(m.bytes)) {
            mark = m.mark;
            token.remove_prefix(m.bytes.size());
            return true;
        }
    }
    std::size_t high = 0;
    while (high < token.size() && high < 3 && is_high(token[high])) {
        ++high;
    }
    if (high == 0) {
        return false;
    }
    mark = Mark::Unknown;
    token.remove_prefix(high);
    return true;
}

// "1月 5 14:30", "1月 5日 2019年", "2019年 1月 5日", "2019年1月5日 14:30", "2003 3월 20":
// numbers carrying year, month and day marks, a bare year or day where the marks leave no
// doubt, and a time. At least one mark must be there, or it is not this form.
bool east_asian(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    bool any_mark = false;
    bool have_year = false;
    bool have_time = false;
    std::size_t last = at;
    for (std::size_t i = at; i < t.count && i < at + 5 && i + 1 < t.count; ++i) {
        std::string_view token = t[i];
        if (d.month != 0 && d.day != 0 && !have_time && dates::parse_clock(token, d.hour, d.minute)) {
            have_time = true;
            last = i;
            continue;
        }
        bool used = false;
        while (!token.empty()) {
            unsigned v = 0;
            std::size_t digits = 0;
            Mark mark = Mark::None;
            if (!take_marked_number(token, v, digits, mark)) {
                break;
            }
            if (mark == Mark::Unknown) {
                // An unknown mark after a small number in the month's place is the month's.
                mark = d.month == 0 && v >= 1 && v <= 12 ? Mark::Month : Mark::None;
                if (mark == Mark::None) {
                    return false;
                }
            }
            if (mark == Mark::None) {
                // A bare number: a four-digit year, or the day right after the month.
                mark = digits == 4 ? Mark::Year : (d.month != 0 && d.day == 0 ? Mark::Day : Mark::None);
                if (mark == Mark::None || !token.empty()) {
                    return false;
                }
            } else {
                any_mark = true;
            }
            if ((mark == Mark::Year && have_year) || (mark == Mark::Month && d.month != 0) ||
                (mark == Mark::Day && (d.day != 0 || d.month == 0))) {
                return false;
            }
            if (mark == Mark::Year) {
                if (digits != 4 && digits != 2) {
                    return false;
                }
                d.year = dates::window_year(v, digits);
                have_year = true;
            } else if (mark == Mark::Month) {
                if (v < 1 || v > 12) {
                    return false;
                }
                d.month = static_cast<int>(v);
            } else {
                if (v < 1 || v > 31) {
                    return false;
                }
                d.day = static_cast<int>(v);
            }
            used = true;
        }
        if (!used || !token.empty()) {
            break;
        }
        last = i;
        if (have_year && d.month != 0 && d.day != 0 && i > at) {
            // Year last ("4月 18日 2003年") or first and complete: the date is done unless a
            // time follows.
            if (d.hour == 0 && i + 2 < t.count && dates::parse_clock(t[i + 1], d.hour, d.minute)) {
                last = i + 1;
            }
            break;
        }
    }
    if (!any_mark || d.month == 0 || d.day == 0) {
        return false;
    }
    if (!have_year) {
        d.year = dates::infer_year(d.month, d.day, today);
    }
    d.last_token = last;
    d.fixed_width = false;
    return true;
}

// "5", "05", "5,", "5." or "5日".
bool read_day(std::string_view token, int& day)
{
    if (token.size() > 3 && (token.ends_with("\xe6\x97\xa5") || token.ends_with("\xec\x9d\xbc"))) {
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

// "+0100", "-05:00", "UTC": a zone some servers print after the time.
[[nodiscard]] bool is_zone(std::string_view t)
{
    if (t.size() >= 5 && t.size() <= 6 && (t[0] == '+' || t[0] == '-') && text::is_digit(t[1])) {
        return true;
    }
    return t == "UTC" || t == "GMT" || t == "Z";
}

// After a year: "2019 14:30" ("Oct 08, 2002 09:47" of some Windows SSH servers, router
// flash listings with "10:46:04 +00:00"). A name that starts like a clock after an old
// date is rarer than these servers.
void time_after_year(const text::Tokens& t, std::size_t at, LsDate& d)
{
    const std::string_view token = t[at + 1];
    if (at + 2 >= t.count || !text::is_digit(token[0])) {
        return;
    }
    if (dates::parse_clock(token, d.hour, d.minute)) {
        d.last_token = at + 1;
        d.fixed_width = false;
        if (at + 3 < t.count && is_zone(t[at + 2])) {
            d.last_token = at + 2;
        }
    }
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
    if (!read_year(token, d.year)) {
        return false;
    }
    time_after_year(t, at, d);
    return true;
}

// "Jan 5 14:30", "Jan 5 2019", "Jan 5, 2019 14:30", with a weekday allowed in front.
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

// "5 Jan 14:30", "5. Jan 2019", "26. Juli, 20:10" (German and other European locales).
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

// "3 29 03:26", "3 29  2003": month and day as numbers.
bool numeric_month_day(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    const std::string_view m = t[at];
    if (at + 2 >= t.count || m.size() > 2) {
        return false;
    }
    const auto month = text::to_uint(m, 12);
    if (!month || *month == 0 || !read_day(t[at + 1], d.day) || t[at + 1].size() > 2) {
        return false;
    }
    d.month = static_cast<int>(*month);
    return read_time_or_year(t, at + 2, today, d);
}

// A year of two or four digits.
bool year_digits(std::string_view s, int& year)
{
    if (s.size() != 2 && s.size() != 4) {
        return false;
    }
    const auto v = text::to_uint(s, 9999);
    if (!v) {
        return false;
    }
    year = dates::window_year(*v, s.size());
    return true;
}

// One token holding the whole date, with '-', '/' or '.' between its parts:
// "2019-01-05", "1999/10/12", "2004.07.15" (year first), "24-04-2003" (day first with
// '-' or '.'), "10/24/2003" (month first with '/'), "01-jun-99" and "Jan/01/2002".
bool read_one_token_date(std::string_view token, dates::Ymd& ymd)
{
    if (token.size() < 6 || token.size() > 11) {
        return false;
    }
    if (dates::parse_day_monthname_year(token, ymd) || dates::parse_monthname_day_year(token, ymd)) {
        return true;
    }
    // "2019-Jan-05".
    if (token.size() >= 10 && token[4] == '-' && text::all_digits(token.substr(0, 4))) {
        const std::size_t dash = token.find('-', 5);
        const int month = dash == std::string_view::npos ? 0 : dates::month_from_name(token.substr(5, dash - 5));
        const auto day = month == 0 ? std::nullopt : text::to_uint(token.substr(dash + 1), 31);
        if (day && *day >= 1) {
            ymd = dates::Ymd{static_cast<int>(*text::to_uint(token.substr(0, 4), 9999)), month, static_cast<int>(*day)};
            return ymd.year >= 1000;
        }
    }
    const std::size_t p1 = token.find_first_of("-/.");
    if (p1 == std::string_view::npos) {
        return false;
    }
    const char sep = token[p1];
    const std::size_t p2 = token.find(sep, p1 + 1);
    if (p2 == std::string_view::npos || token.find(sep, p2 + 1) != std::string_view::npos) {
        return false;
    }
    const std::string_view a = token.substr(0, p1);
    const std::string_view b = token.substr(p1 + 1, p2 - p1 - 1);
    const std::string_view c = token.substr(p2 + 1);
    const auto va = text::to_uint(a, 9999);
    const auto vb = text::to_uint(b, 99);
    const auto vc = text::to_uint(c, 9999);
    if (!va || !vb || !vc || b.size() > 2) {
        return false;
    }
    if (a.size() == 4) {
        if (c.size() > 2) {
            return false;
        }
        ymd = dates::Ymd{static_cast<int>(*va), static_cast<int>(*vb), static_cast<int>(*vc)};
    } else {
        if (a.size() > 2 || !year_digits(c, ymd.year)) {
            return false;
        }
        // Month first only where the slashes of the US order say so and the number allows it.
        const bool month_first_order = sep == '/' && *va <= 12;
        const bool day_first_order = !month_first_order && *vb <= 12;
        ymd.month = static_cast<int>(day_first_order ? *vb : *va);
        ymd.day = static_cast<int>(day_first_order ? *va : *vb);
    }
    return ymd.month >= 1 && ymd.month <= 12 && ymd.day >= 1 && ymd.day <= 31 && ymd.year >= 1000;
}

// The numeric and one-token dates, with an optional time after them, and "09-26 13:45",
// "09-26 2000" (month and day, then time or year).
bool numeric(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& d)
{
    const std::string_view token = t[at];
    dates::Ymd ymd;
    if (read_one_token_date(token, ymd)) {
        d.fixed_width = false;
        d.year = ymd.year;
        d.month = ymd.month;
        d.day = ymd.day;
        d.last_token = at;
        if (at + 2 < t.count && dates::parse_clock(t[at + 1], d.hour, d.minute)) {
            d.last_token = at + 1;
            if (at + 3 < t.count && is_zone(t[at + 2])) {
                d.last_token = at + 2;
            }
        }
        return true;
    }
    if (token.size() == 5 && (token[2] == '-' || token[2] == '/') && at + 2 < t.count) {
        const auto m = text::to_uint(token.substr(0, 2), 12);
        const auto dd = text::to_uint(token.substr(3, 2), 31);
        if (!m || !dd || *m == 0 || *dd == 0) {
            return false;
        }
        d.month = static_cast<int>(*m);
        d.day = static_cast<int>(*dd);
        return read_time_or_year(t, at + 1, today, d);
    }
    return false;
}

[[nodiscard]] bool has_high_byte(std::string_view s)
{
    for (char c : s) {
        if (is_high(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool read_ls_date(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& out)
{
    if (at + 1 >= t.count) {
        return false;
    }
    const std::string_view first = t[at];
    bool ok = false;
    LsDate d;
    if (!text::is_digit(first[0])) {
        ok = month_first(t, at, today, d);
    } else if (has_high_byte(first) || has_high_byte(t[at + 1])) {
        ok = east_asian(t, at, today, d);
    } else {
        ok = day_first(t, at, today, d);
        if (!ok) {
            d = LsDate{};
            ok = numeric(t, at, today, d);
        }
        if (!ok) {
            d = LsDate{};
            ok = numeric_month_day(t, at, today, d);
        }
        if (!ok && first.size() == 4 && at + 2 < t.count && has_high_byte(t[at + 1])) {
            d = LsDate{};
            ok = east_asian(t, at, today, d);
        }
    }
    if (!ok || d.last_token + 1 >= t.count) {
        return false;
    }
    out = d;
    return true;
}

namespace {

// "33.5k", "9.0M", "1.2G", "512B", "2KB": 1024-based, cut to a whole byte.
[[nodiscard]] bool read_unit_size(std::string_view token, std::uint64_t& size)
{
    std::size_t n = token.size();
    if (n >= 2 && (token[n - 1] == 'B' || token[n - 1] == 'b') && !text::is_digit(token[n - 2])) {
        --n;  // "KB"
    }
    if (n < 2) {
        return false;
    }
    std::uint64_t unit = 0;
    switch (text::to_lower(token[n - 1])) {
    case 'b': unit = 1; break;
    case 'k': unit = 1ULL << 10; break;
    case 'm': unit = 1ULL << 20; break;
    case 'g': unit = 1ULL << 30; break;
    case 't': unit = 1ULL << 40; break;
    default: return false;
    }
    const std::string_view number = token.substr(0, n - 1);
    const std::size_t dot = number.find('.');
    const std::string_view whole = number.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : number.substr(dot + 1);
    const auto w = text::to_u64(whole);
    if (!w || fraction.size() > 6 || (dot != std::string_view::npos && !text::all_digits(fraction)) ||
        *w > UINT64_MAX / unit / 2) {
        return false;
    }
    std::uint64_t scale = 1;
    std::uint64_t f = 0;
    for (char c : fraction) {
        f = f * 10 + static_cast<std::uint64_t>(c - '0');
        scale *= 10;
    }
    size = *w * unit + f * unit / scale;
    return true;
}

}  // namespace

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
    if (token[0] == '-') {
        // "-1" and the like: the server does not know the size; the entry stays.
        if (token.size() > 1 && text::all_digits(token.substr(1))) {
            size = 0;
            return true;
        }
        return false;
    }
    if (!text::is_digit(token[0])) {
        return false;
    }
    // "4,64" when both device numbers are wide.
    const std::size_t comma = token.find(',');
    if (comma != std::string_view::npos && comma > 0 && text::all_digits(token.substr(0, comma)) &&
        text::all_digits(token.substr(comma + 1))) {
        size = 0;
        return true;
    }
    return read_unit_size(token, size);
}

bool read_glued_size(std::string_view token, std::uint64_t& size)
{
    std::size_t digits = 0;
    while (digits < token.size() && text::is_digit(token[token.size() - 1 - digits])) {
        ++digits;
    }
    if (digits == 0 || digits == token.size() || digits > 20) {
        return false;
    }
    const std::size_t letters = token.size() - digits;
    if (!text::is_alpha(token[letters - 1]) && token[letters - 1] != '_') {
        return false;
    }
    const auto v = text::to_u64(token.substr(letters));
    if (!v) {
        return false;
    }
    size = *v;
    return true;
}

}  // namespace varnix::dirlex
