// Byte-level helpers the dialect parsers share: blank-separated tokens that remember where
// they sit in the line, bounded number readers and case-insensitive comparison.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varnix::dirlex::text {

[[nodiscard]] constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
[[nodiscard]] constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
[[nodiscard]] constexpr bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
[[nodiscard]] constexpr char to_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The first `max` blank-separated tokens of a line, as views into it. Later tokens are not
// split off; parsers take names from offsets into the line instead.
struct Tokens {
    static constexpr std::size_t max = 40;
    std::array<std::string_view, max> tok;  // only the first `count` are set
    std::size_t count = 0;
    bool truncated = false;  // the line has more tokens than were kept

    [[nodiscard]] std::string_view operator[](std::size_t i) const { return i < count ? tok[i] : std::string_view{}; }
};

void split(std::string_view line, Tokens& out);

// Position just past `token` inside `line` (the token must be a view into the line).
[[nodiscard]] inline std::size_t end_of(std::string_view line, std::string_view token)
{
    return static_cast<std::size_t>(token.data() - line.data()) + token.size();
}
[[nodiscard]] inline std::size_t start_of(std::string_view line, std::string_view token)
{
    return static_cast<std::size_t>(token.data() - line.data());
}

// The rest of the line after position `pos`, with all leading blanks skipped.
[[nodiscard]] std::string_view rest_after_blanks(std::string_view line, std::size_t pos);
// The rest of the line after position `pos`, skipping exactly one blank when one is there.
[[nodiscard]] std::string_view rest_after_one_blank(std::string_view line, std::size_t pos);

[[nodiscard]] std::string_view trim_right(std::string_view s);
[[nodiscard]] std::string_view trim(std::string_view s);

// Drops one trailing LF, CR LF or CR.
[[nodiscard]] std::string_view strip_line_end(std::string_view line);

[[nodiscard]] bool all_digits(std::string_view s);
[[nodiscard]] bool all_hex(std::string_view s);

// Whole-token decimal number; nothing on empty input, stray bytes or overflow.
[[nodiscard]] std::optional<std::uint64_t> to_u64(std::string_view s);
[[nodiscard]] std::optional<std::uint64_t> hex_to_u64(std::string_view s);
// Whole-token decimal number not above `max`.
[[nodiscard]] std::optional<unsigned> to_uint(std::string_view s, unsigned max);

// A size written with thousands separators ("1,234,567", "1.234", "1'234") or plain.
[[nodiscard]] std::optional<std::uint64_t> grouped_to_u64(std::string_view s);

[[nodiscard]] bool iequals(std::string_view a, std::string_view b);
[[nodiscard]] bool istarts_with(std::string_view s, std::string_view prefix);
// Case-insensitive search for an ASCII needle.
[[nodiscard]] bool icontains(std::string_view haystack, std::string_view needle);

// Bytes a name must never carry: NUL, CR and LF would end a command line early.
[[nodiscard]] bool has_control_breaks(std::string_view s);

}  // namespace varnix::dirlex::text
