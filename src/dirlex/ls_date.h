// The date column of `ls -l` style listings (UNIX, its Mac and Windows imitations,
// NetWare): "Jan  5 14:30", "Jan  5  2019", "5. Jan 14:30", "Oct 08, 2002 09:47", numeric
// dates in the regional orders, East Asian dates with year, month and day marks.
#pragma once

#include "dirlex/dirlex.h"
#include "dirlex/text_scan.h"

#include <cstddef>

namespace varnix::dirlex {

struct LsDate {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    std::size_t last_token = 0;  // index of the date's last token; the name follows it
    // The classic twelve-column date of `ls`, after which exactly one blank precedes the
    // name (so a name may start with blanks); other forms are followed by any number.
    bool fixed_width = true;
};

// Reads a date that starts at token `at`. A date without a year gets the latest year that
// keeps it from lying in the future.
[[nodiscard]] bool read_ls_date(const text::Tokens& t, std::size_t at, const CivilDate& today, LsDate& out);

// The size column in front of a date: a byte count, a count with a unit ("33.5k", 1024-based,
// cut to a whole byte), a device's "major, minor" (size 0), or a negative number (size
// unknown, 0). `first` is the lowest token index the size column may start at.
[[nodiscard]] bool read_ls_size(const text::Tokens& t, std::size_t size_at, std::size_t first,
                                std::uint64_t& size);

// A size run into the group name when the column overflowed: "longgroup123456".
[[nodiscard]] bool read_glued_size(std::string_view token, std::uint64_t& size);

}  // namespace varnix::dirlex
