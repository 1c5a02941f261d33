// Small text helpers used throughout the program: lower-casing, stripping line ends and
// trailing blanks, and finding a text inside another.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

// Lowers the ASCII letters of `text` in place; other bytes stay (names are bytes, not text
// in some locale).
void lower_case(std::string& text);
[[nodiscard]] std::string lowered(std::string_view text);

// Removes trailing blanks, tabs, CR and LF in place.
void strip_trailing_blanks(std::string& text);

// The first position where `pattern` occurs in `text`, exact case; nothing when it does not.
[[nodiscard]] std::optional<std::size_t> find_text(std::string_view text, std::string_view pattern);

}  // namespace varnix
