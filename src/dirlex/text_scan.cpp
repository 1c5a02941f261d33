// Byte-level helpers the dialect parsers share: tokens, bounded numbers, comparisons.
#include "dirlex/text_scan.h"

#include <charconv>

namespace varnix::dirlex::text {

void split(std::string_view line, Tokens& out)
{
    out.count = 0;
    out.truncated = false;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        while (i < n && is_blank(line[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (out.count == Tokens::max) {
            out.truncated = true;
            break;
        }
        const std::size_t start = i;
        while (i < n && !is_blank(line[i])) {
            ++i;
        }
        out.tok[out.count++] = line.substr(start, i - start);
    }
}

std::string_view rest_after_blanks(std::string_view line, std::size_t pos)
{
    while (pos < line.size() && is_blank(line[pos])) {
        ++pos;
    }
    return pos < line.size() ? line.substr(pos) : std::string_view{};
}

std::string_view rest_after_one_blank(std::string_view line, std::size_t pos)
{
    if (pos < line.size() && is_blank(line[pos])) {
        ++pos;
    }
    return pos < line.size() ? line.substr(pos) : std::string_view{};
}

std::string_view trim_right(std::string_view s)
{
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    return trim_right(s);
}

std::string_view strip_line_end(std::string_view line)
{
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool all_digits(std::string_view s)
{
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!is_digit(c)) {
            return false;
        }
    }
    return true;
}

bool all_hex(std::string_view s)
{
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        const char l = to_lower(c);
        if (!is_digit(c) && !(l >= 'a' && l <= 'f')) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint64_t> to_u64(std::string_view s)
{
    // from_chars takes digits only for an unsigned type (no sign, no blanks).
    if (s.empty()) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::uint64_t> hex_to_u64(std::string_view s)
{
    if (!all_hex(s)) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc{} || ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

std::optional<unsigned> to_uint(std::string_view s, unsigned max)
{
    if (s.empty() || s.size() > 10) {
        return std::nullopt;
    }
    const auto v = to_u64(s);
    if (!v || *v > max) {
        return std::nullopt;
    }
    return static_cast<unsigned>(*v);
}

std::optional<std::uint64_t> grouped_to_u64(std::string_view s)
{
    if (s.empty() || !is_digit(s.front()) || !is_digit(s.back())) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    std::size_t group = 0;   // digits since the last separator
    char separator = 0;
    bool seen_separator = false;
    for (char c : s) {
        if (is_digit(c)) {
            const auto d = static_cast<std::uint64_t>(c - '0');
            if (v > (UINT64_MAX - d) / 10) {
                return std::nullopt;
            }
            v = v * 10 + d;
            ++group;
            continue;
        }
        if (c != ',' && c != '.' && c != '\'') {
            return std::nullopt;
        }
        if (seen_separator ? (c != separator || group != 3) : (group == 0 || group > 3)) {
            return std::nullopt;
        }
        separator = c;
        seen_separator = true;
        group = 0;
    }
    if (seen_separator && group != 3) {
        return std::nullopt;
    }
    return v;
}

bool iequals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (to_lower(a[i]) != to_lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool istarts_with(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool icontains(std::string_view haystack, std::string_view needle)
{
    if (needle.empty()) {
        return true;
    }
    if (haystack.size() < needle.size()) {
        return false;
    }
    const char first = to_lower(needle[0]);
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (to_lower(haystack[i]) == first && iequals(haystack.substr(i, needle.size()), needle)) {
            return true;
        }
    }
    return false;
}

bool has_control_breaks(std::string_view s)
{
    for (char c : s) {
        if (c == '\0' || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

}  // namespace varnix::dirlex::text
