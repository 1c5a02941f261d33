// Dates and times as listings write them: month names, numeric dates, clock times, year
// windowing and inference, Unix time.
#include "dirlex/dates.h"

#include "dirlex/text_scan.h"

#include <array>
#include <ctime>

namespace varnix::dirlex {

CivilDate current_date()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return CivilDate{};
    }
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace varnix::dirlex

namespace varnix::dirlex::dates {
namespace {

struct MonthName {
    std::string_view text;  // lower case; UTF-8 where the locale needs it
    int month;
};

// English first: almost every line hits one of these twelve.
constexpr MonthName month_names[] = {
    {"jan", 1}, {"feb", 2}, {"mar", 3}, {"apr", 4}, {"may", 5}, {"jun", 6},
    {"jul", 7}, {"aug", 8}, {"sep", 9}, {"oct", 10}, {"nov", 11}, {"dec", 12},
    {"january", 1}, {"janv", 1}, {"j\xc3\xa4n", 1}, {"ene", 1}, {"gen", 1}, {"sty", 1}, {"led", 1},
    {"\xd1\x8f\xd0\xbd\xd0\xb2", 1}, {"tammi", 1}, {"oca", 1}, {"j\xc3\xa4nner", 1},
    {"february", 2}, {"f\xc3\xa9vr", 2}, {"fevr", 2}, {"f\xc3\xa9v", 2}, {"fev", 2}, {"lut", 2},
    {"\xc3\xbano", 2}, {"\xd1\x84\xd0\xb5\xd0\xb2", 2}, {"helmi", 2}, {"febr", 2}, {"\xc5\x9fub", 2},
    {"fbro", 2},
    {"march", 3}, {"m\xc3\xa4r", 3}, {"m\xc3\xa4rz", 3}, {"mrz", 3}, {"mars", 3}, {"mrt", 3},
    {"b\xc5\x99" "e", 3}, {"\xd0\xbc\xd0\xb0\xd1\x80", 3}, {"maalis", 3}, {"m\xc3\xa1rc", 3}, {"mzo", 3},
    {"april", 4}, {"avr", 4}, {"abr", 4}, {"kwi", 4}, {"dub", 4}, {"\xd0\xb0\xd0\xbf\xd1\x80", 4},
    {"huhti", 4}, {"\xc3\xa1pr", 4}, {"nis", 4},
    {"mai", 5}, {"mag", 5}, {"mei", 5}, {"maj", 5}, {"kv\xc4\x9b", 5}, {"\xd0\xbc\xd0\xb0\xd0\xb9", 5},
    {"\xd0\xbc\xd0\xb0\xd1\x8f", 5}, {"touko", 5}, {"m\xc3\xa1j", 5},
    {"june", 6}, {"juni", 6}, {"juin", 6}, {"giu", 6}, {"cze", 6}, {"\xc4\x8d" "en", 6},
    {"\xd0\xb8\xd1\x8e\xd0\xbd", 6}, {"kes\xc3\xa4", 6}, {"j\xc3\xban", 6}, {"haz", 6},
    {"july", 7}, {"juli", 7}, {"juil", 7}, {"jui", 7}, {"lug", 7}, {"lip", 7}, {"\xc4\x8d" "ec", 7},
    {"\xd0\xb8\xd1\x8e\xd0\xbb", 7}, {"hein\xc3\xa4", 7}, {"j\xc3\xbal", 7}, {"tem", 7},
    {"august", 8}, {"ao\xc3\xbbt", 8}, {"aout", 8}, {"aou", 8}, {"ago", 8}, {"sie", 8}, {"srp", 8},
    {"\xd0\xb0\xd0\xb2\xd0\xb3", 8}, {"avg", 8}, {"elo", 8}, {"a\xc4\x9fu", 8}, {"agto", 8},
    {"sept", 9}, {"set", 9}, {"wrz", 9}, {"z\xc3\xa1\xc5\x99", 9}, {"\xd1\x81\xd0\xb5\xd0\xbd", 9},
    {"syys", 9}, {"szept", 9}, {"eyl", 9},
    {"october", 10}, {"okt", 10}, {"ott", 10}, {"out", 10}, {"pa\xc5\xba", 10},
    {"\xc5\x99\xc3\xadj", 10}, {"\xd0\xbe\xd0\xba\xd1\x82", 10}, {"loka", 10}, {"eki", 10},
    {"november", 11}, {"lis", 11}, {"\xd0\xbd\xd0\xbe\xd1\x8f", 11}, {"marras", 11}, {"kas", 11},
    // Upper-case UTF-8 and Latin-1 spellings (VMS prints month names in capitals).
    {"m\xc3\x84r", 3}, {"m\xc3\x84rz", 3}, {"f\xc3\x89v", 2}, {"f\xc3\x89vr", 2}, {"d\xc3\x89" "c", 12},
    {"ao\xc3\x9bt", 8}, {"ao\xc3\x9b", 8}, {"ao\xc3\xbb", 8}, {"ao\xfb", 8}, {"ao\xdb", 8}, {"m\xe4r", 3}, {"m\xe4rz", 3}, {"m\xc4r", 3}, {"f\xe9v", 2}, {"f\xe9vr", 2},
    {"f\xc9v", 2}, {"d\xe9" "c", 12}, {"d\xc9" "c", 12}, {"ao\xfbt", 8}, {"ao\xdbt", 8}, {"j\xe4n", 1},
    {"december", 12}, {"dez", 12}, {"d\xc3\xa9" "c", 12}, {"dic", 12}, {"des", 12}, {"gru", 12},
    {"pro", 12}, {"\xd0\xb4\xd0\xb5\xd0\xba", 12}, {"joulu", 12}, {"ara", 12},
};

constexpr std::string_view cjk_month = "\xe6\x9c\x88";     // 月
constexpr std::string_view korean_month = "\xec\x9b\x94";  // 월

// "5月" and "5월": the month number followed by the month character.
int cjk_month_number(std::string_view token)
{
    std::size_t digits = 0;
    while (digits < token.size() && text::is_digit(token[digits])) {
        ++digits;
    }
    if (digits == 0 || digits > 2) {
        return 0;
    }
    const std::string_view suffix = token.substr(digits);
    if (suffix != cjk_month && suffix != korean_month) {
        return 0;
    }
    const auto v = text::to_uint(token.substr(0, digits), 12);
    return v && *v >= 1 ? static_cast<int>(*v) : 0;
}

}  // namespace

int month_from_name(std::string_view token)
{
    // "Okt.", "Jan.," (German abbreviations with a dot, then the comma of "30. Jan., 12:40").
    for (int i = 0; i < 2 && !token.empty() && (token.back() == '.' || token.back() == ','); ++i) {
        token.remove_suffix(1);
    }
    if (token.size() < 3 || token.size() > 12) {
        return 0;
    }
    if (text::is_digit(token.front())) {
        return cjk_month_number(token);
    }
    std::array<char, 12> lower{};
    for (std::size_t i = 0; i < token.size(); ++i) {
        lower[i] = text::to_lower(token[i]);
    }
    const std::string_view key(lower.data(), token.size());
    for (const MonthName& m : month_names) {
        if (m.text[0] == key[0] && m.text.size() == key.size() && m.text == key) {
            return m.month;
        }
    }
    return 0;
}

bool is_weekday(std::string_view token)
{
    static constexpr std::array<std::string_view, 7> days{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
    if (token.size() != 3) {
        return false;
    }
    const char first = text::to_lower(token[0]);
    if (first != 'm' && first != 't' && first != 'w' && first != 'f' && first != 's') {
        return false;
    }
    for (std::string_view d : days) {
        if (text::iequals(token, d)) {
            return true;
        }
    }
    return false;
}

int days_in_month(int year, int month)
{
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    if (month == 2) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    return days[static_cast<std::size_t>(month - 1)];
}

bool valid_date(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && day >= 1 && day <= days_in_month(year, month);
}

int window_year(unsigned value, std::size_t digits)
{
    if (digits <= 2) {
        return value < 70 ? 2000 + static_cast<int>(value) : 1900 + static_cast<int>(value);
    }
    if (digits == 3) {
        return 1900 + static_cast<int>(value);
    }
    return static_cast<int>(value);
}

std::int64_t days_from_civil(int year, int month, int day)
{
    // Howard Hinnant's algorithm: exact for the proleptic Gregorian calendar.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

int infer_year(int month, int day, const CivilDate& today)
{
    const std::int64_t limit = days_from_civil(today.year, today.month, today.day) + 1;
    // Feb 29 needs a leap year; eight years back always holds one.
    for (int year = today.year + 1; year > today.year - 9; --year) {
        if (valid_date(year, month, day) && days_from_civil(year, month, day) <= limit) {
            return year;
        }
    }
    return today.year;
}

bool parse_clock(std::string_view token, int& hour, int& minute)
{
    const std::size_t colon = token.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2) {
        return false;
    }
    const auto h = text::to_uint(token.substr(0, colon), 24);
    std::string_view rest = token.substr(colon + 1);
    if (!h || rest.empty()) {
        return false;
    }
    // Some servers print a minute below ten with one digit ("9:5").
    const std::size_t minute_digits = rest.size() == 1 ? 1 : 2;
    const auto m = text::to_uint(rest.substr(0, minute_digits), 59);
    if (!m) {
        return false;
    }
    rest.remove_prefix(minute_digits);
    if (!rest.empty()) {
        // Seconds, optionally with a fraction.
        if (rest.size() < 3 || rest[0] != ':' || !text::to_uint(rest.substr(1, 2), 60)) {
            return false;
        }
        rest.remove_prefix(3);
        if (!rest.empty() && (rest[0] != '.' || !text::all_digits(rest.substr(1)))) {
            return false;
        }
    }
    // "24:00" is the end of the day (set_date_time moves it to the next one); no other 24.
    if (*h == 24 && *m != 0) {
        return false;
    }
    hour = static_cast<int>(*h);
    minute = static_cast<int>(*m);
    return true;
}

namespace {

// Splits "a<sep>b<sep>c" with one separator kind used twice.
bool split_three(std::string_view token, std::string_view& a, std::string_view& b, std::string_view& c, char& sep)
{
    const std::size_t p1 = token.find_first_of("-/.");
    if (p1 == std::string_view::npos || p1 == 0) {
        return false;
    }
    sep = token[p1];
    const std::size_t p2 = token.find(sep, p1 + 1);
    if (p2 == std::string_view::npos || p2 == p1 + 1 || p2 + 1 >= token.size()) {
        return false;
    }
    a = token.substr(0, p1);
    b = token.substr(p1 + 1, p2 - p1 - 1);
    c = token.substr(p2 + 1);
    return c.find_first_of("-/.") == std::string_view::npos;
}

bool year_field(std::string_view s, int& year)
{
    if (s.size() < 2 || s.size() > 4) {
        return false;
    }
    const auto v = text::to_uint(s, 9999);
    if (!v) {
        return false;
    }
    year = window_year(*v, s.size());
    return true;
}

}  // namespace

bool parse_numeric_date(std::string_view token, Ymd& out)
{
    std::string_view a, b, c;
    char sep = 0;
    if (!split_three(token, a, b, c, sep)) {
        return false;
    }
    const auto va = text::to_uint(a, 9999);
    const auto vb = text::to_uint(b, 99);
    if (!va || !vb || b.size() > 2) {
        return false;
    }
    Ymd r;
    if (a.size() == 4) {
        const auto vc = text::to_uint(c, 31);
        if (!vc || c.size() > 2) {
            return false;
        }
        r = Ymd{static_cast<int>(*va), static_cast<int>(*vb), static_cast<int>(*vc)};
    } else {
        if (a.size() > 2 || !year_field(c, r.year)) {
            return false;
        }
        const bool day_first = sep == '.' || *va > 12;
        r.month = static_cast<int>(day_first ? *vb : *va);
        r.day = static_cast<int>(day_first ? *va : *vb);
    }
    if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31) {
        return false;
    }
    out = r;
    return true;
}

bool parse_short_year_first(std::string_view t, Ymd& out)
{
    if (t.size() != 8 || t[2] != '/' || t[5] != '/') {
        return false;
    }
    const auto y = text::to_uint(t.substr(0, 2), 99);
    const auto m = text::to_uint(t.substr(3, 2), 12);
    const auto day = text::to_uint(t.substr(6, 2), 31);
    if (!y || !m || !day || *m == 0 || *day == 0) {
        return false;
    }
    out = Ymd{window_year(*y, 2), static_cast<int>(*m), static_cast<int>(*day)};
    return true;
}

bool parse_day_monthname_year(std::string_view token, Ymd& out)
{
    std::string_view a, b, c;
    char sep = 0;
    if (!split_three(token, a, b, c, sep) || sep != '-') {
        return false;
    }
    const auto day = text::to_uint(a, 31);
    const int month = month_from_name(b);
    Ymd r;
    if (!day || *day == 0 || a.size() > 2 || month == 0 || !year_field(c, r.year)) {
        return false;
    }
    r.month = month;
    r.day = static_cast<int>(*day);
    out = r;
    return true;
}

bool parse_monthname_day_year(std::string_view token, Ymd& out)
{
    std::string_view a, b, c;
    char sep = 0;
    if (!split_three(token, a, b, c, sep) || sep == '.') {
        return false;
    }
    const int month = month_from_name(a);
    const auto day = text::to_uint(b, 31);
    Ymd r;
    if (month == 0 || !day || *day == 0 || !year_field(c, r.year)) {
        return false;
    }
    r.month = month;
    r.day = static_cast<int>(*day);
    out = r;
    return true;
}

void clear_date_time(ListEntry& e)
{
    e.year = 0;
    e.month = 0;
    e.day = 0;
    e.hour = 0;
    e.minute = 0;
}

void set_date_time(ListEntry& e, int year, int month, int day, int hour, int minute)
{
    if (hour == 24 && minute == 0 && valid_date(year, month, day)) {
        // "24:00" ends the day: it is midnight of the next one.
        set_unix_time(e, (days_from_civil(year, month, day) + 1) * 86400);
        return;
    }
    if (!valid_date(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        clear_date_time(e);
        return;
    }
    e.year = static_cast<std::uint16_t>(year);
    e.month = static_cast<std::uint8_t>(month);
    e.day = static_cast<std::uint8_t>(day);
    e.hour = static_cast<std::uint8_t>(hour);
    e.minute = static_cast<std::uint8_t>(minute);
}

void set_unix_time(ListEntry& e, std::int64_t seconds)
{
    // Beyond year 9999 the entry cannot hold the date.
    constexpr std::int64_t max_seconds = 253402300799;
    if (seconds < 0 || seconds > max_seconds) {
        clear_date_time(e);
        return;
    }
    const std::int64_t days = seconds / 86400;
    const std::int64_t secs = seconds % 86400;
    // Inverse of days_from_civil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    set_date_time(e, year, month, day, static_cast<int>(secs / 3600), static_cast<int>(secs % 3600 / 60));
}

}  // namespace varnix::dirlex::dates
