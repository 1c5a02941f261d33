// Dates and times as listings write them: month names in several languages, numeric dates
// in the orders servers use, clock times, year windowing and inference, Unix time.
#pragma once

#include "dirlex/dirlex.h"

#include <cstdint>
#include <string_view>

namespace varnix::dirlex::dates {

struct Ymd {
    int year = 0;
    int month = 0;
    int day = 0;
};

// 1..12 for a month name or abbreviation (English and the common locales `ls` uses,
// ASCII case ignored, a trailing '.' or ',' allowed, "5月"/"5월" forms), else 0.
[[nodiscard]] int month_from_name(std::string_view token);
[[nodiscard]] bool is_weekday(std::string_view token);

[[nodiscard]] int days_in_month(int year, int month);
[[nodiscard]] bool valid_date(int year, int month, int day);

// Two-digit years: 00-69 are 20xx, 70-99 are 19xx. Three digits count from 1900 (some
// servers print tm_year). Four digits stay.
[[nodiscard]] int window_year(unsigned value, std::size_t digits);

// The year that puts month/day at the latest date not after today plus one day.
[[nodiscard]] int infer_year(int month, int day, const CivilDate& today);

// "H:MM", "HH:MM", "HH:MM:SS" or "HH:MM:SS.fff"; hours 0-23 (and "24:00", the end of a day,
// which set_date_time turns into midnight of the next), minutes and seconds 0-59; a minute
// may have one digit when nothing follows it.
[[nodiscard]] bool parse_clock(std::string_view token, int& hour, int& minute);

// A numeric date "a<sep>b<sep>c" with '-', '/' or '.': YYYY-MM-DD when the first field has
// four digits, DD.MM.YY(YY) with dots, else MM-DD-YY(YY) unless the first field is above 12.
[[nodiscard]] bool parse_numeric_date(std::string_view token, Ymd& out);

// "YY/MM/DD" with the year first (OS-9, older MVS member statistics).
[[nodiscard]] bool parse_short_year_first(std::string_view token, Ymd& out);

// "DD-MMM-YYYY" or "DD-MMM-YY" (VMS, Tandem).
[[nodiscard]] bool parse_day_monthname_year(std::string_view token, Ymd& out);
// "MMM-DD-YYYY" (VxWorks).
[[nodiscard]] bool parse_monthname_day_year(std::string_view token, Ymd& out);

// Stores a date and time; a calendar-impossible date (31 Feb) stores zeros instead.
void set_date_time(ListEntry& e, int year, int month, int day, int hour, int minute);
void clear_date_time(ListEntry& e);
// Seconds since 1970-01-01 UTC.
void set_unix_time(ListEntry& e, std::int64_t seconds);

[[nodiscard]] std::int64_t days_from_civil(int year, int month, int day);

}  // namespace varnix::dirlex::dates
