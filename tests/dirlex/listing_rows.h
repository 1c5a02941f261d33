// Table rows for the listing-parser tests: a raw line and the entry it must give.
#pragma once

#include "dirlex/dirlex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace varnix::dirlex::testing {

// "Today" for every table: lines without a year are placed relative to this date.
inline constexpr CivilDate table_today{2024, 6, 15};

struct Row {
    std::string_view line;
    EntryKind kind;
    std::string_view name;
    std::uint64_t size;
    std::string_view date;  // "YYYY-MM-DD HH:MM"
    std::uint16_t code;     // dialect expected to read it in automatic mode
};

inline std::string format_date(const ListEntry& e)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u", unsigned{e.year}, unsigned{e.month},
                  unsigned{e.day}, unsigned{e.hour}, unsigned{e.minute});
    return buf;
}

// Runs the row through parse_list_line with the given host type and checks every field.
inline void expect_row(const Row& row, int host_type = host::automatic, ListingState* state = nullptr)
{
    SCOPED_TRACE(std::string(row.line));
    ListEntry e;
    const ParseContext ctx{table_today, state};
    ASSERT_TRUE(parse_list_line(e, row.line, host_type, {}, {}, ctx));
    EXPECT_EQ(e.kind, row.kind);
    EXPECT_EQ(e.name, row.name);
    EXPECT_EQ(e.size, row.size);
    EXPECT_EQ(format_date(e), row.date);
    EXPECT_EQ(e.host_type, row.code);
}

inline void expect_skip(std::string_view line, int host_type = host::automatic, ListingState* state = nullptr)
{
    SCOPED_TRACE(std::string(line));
    ListEntry e;
    const ParseContext ctx{table_today, state};
    EXPECT_FALSE(parse_list_line(e, line, host_type, {}, {}, ctx));
}

}  // namespace varnix::dirlex::testing
