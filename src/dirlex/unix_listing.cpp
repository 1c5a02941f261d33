// UNIX `ls -l` lines and their imitations.
#include "dirlex/unix_listing.h"

#include "dirlex/dates.h"
#include "dirlex/ls_date.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

[[nodiscard]] constexpr bool is_file_type(char c)
{
    switch (c) {
    case '-': case 'd': case 'l': case 'b': case 'c': case 'p': case 's':
    case 'D': case 'n': case 'w': case 'L': case 'm': case 'M': case '?':
        return true;
    default:
        return false;
    }
}

[[nodiscard]] constexpr bool is_mode_letter(char c)
{
    switch (c) {
    case 'r': case 'w': case 'x': case 's': case 'S': case 't': case 'T':
    case 'l': case 'L': case 'A': case 'a': case 'E': case 'e': case '-':
        return true;
    default:
        return false;
    }
}

// Markers after the mode: ACL '+', extended attributes '@', SELinux context '.'.
[[nodiscard]] constexpr bool is_mode_suffix(char c)
{
    return c == '+' || c == '@' || c == '.' || c == '*';
}

[[nodiscard]] bool is_mode_token(std::string_view t)
{
    if (t.size() < 10 || t.size() > 12 || !is_file_type(t[0])) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (!is_mode_letter(t[i])) {
            return false;
        }
    }
    for (std::size_t i = 10; i < t.size(); ++i) {
        if (!is_mode_suffix(t[i])) {
            return false;
        }
    }
    return true;
}

// `ls -i` and `ls -s` put an inode number and a block count before the mode.
[[nodiscard]] std::size_t find_mode(const text::Tokens& t)
{
    for (std::size_t i = 0; i < 3 && i < t.count; ++i) {
        if (is_mode_token(t[i])) {
            return i;
        }
        if (!text::all_digits(t[i])) {
            break;
        }
    }
    return text::Tokens::max;
}

[[nodiscard]] EntryKind kind_of(char type)
{
    switch (type) {
    case 'd':
        return EntryKind::Directory;
    case 'l':
        return EntryKind::Link;
    default:
        return EntryKind::File;
    }
}

[[nodiscard]] bool store_name(std::string_view name, ListEntry& out)
{
    if (out.kind == EntryKind::Link) {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos && arrow > 0) {
            name = name.substr(0, arrow);
        }
    } else if (out.kind == EntryKind::Directory && name.size() > 1 && name.back() == '/') {
        // `ls -F` marks directories; '/' can never be part of a UNIX name.
        name.remove_suffix(1);
    }
    return set_name(out, name);
}

// The name follows the date after one blank. AIX writes an old date as "Apr 08 2003" with
// the year left in the five-column time field, so two blanks follow it; `ls` elsewhere
// right-aligns the year ("Apr  8  2003"), twelve columns like "Apr  8 14:30".
[[nodiscard]] std::string_view name_after_date(std::string_view line, const text::Tokens& t, std::size_t at,
                                               const LsDate& d)
{
    const std::size_t start = text::start_of(line, t[at]);
    std::size_t end = text::end_of(line, t[d.last_token]);
    const std::string_view last = t[d.last_token];
    if (end - start == 11 && last.size() == 4 && text::all_digits(last) && end + 2 < line.size() &&
        text::is_blank(line[end]) && text::is_blank(line[end + 1])) {
        ++end;
    }
    return text::rest_after_one_blank(line, end);
}

// Size at `at - 1`, date from `at`, name after the date.
[[nodiscard]] bool try_date_at(std::string_view line, const text::Tokens& t, std::size_t mode, std::size_t at,
                               const ParseContext& ctx, ListEntry& out)
{
    std::uint64_t size = 0;
    if (!text::is_digit(t[at - 1][0]) || !read_ls_size(t, at - 1, mode + 1, size)) {
        return false;
    }
    LsDate d;
    if (!read_ls_date(t, at, ctx.today, d)) {
        return false;
    }
    begin_entry(out);
    out.kind = kind_of(t[mode][0]);
    // NetPresenz and other Mac servers put "folder" where the owner goes and an item count
    // where the size goes: no byte count for the folder.
    out.size = text::iequals(t[mode + 1], "folder") ? 0 : size;
    dates::set_date_time(out, d.year, d.month, d.day, d.hour, d.minute);
    return store_name(name_after_date(line, t, at, d), out);
}

}  // namespace

bool parse_unix_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    const std::size_t mode = find_mode(t);
    if (mode >= t.count) {
        return false;
    }
    // The size sits right before the date; owner and group may be missing, numeric, or
    // (on some Windows servers) hold blanks, so look for the date rather than count columns.
    // The usual place (after links, owner, group and size) is tried first.
    const std::size_t usual = mode + 5;
    if (usual + 1 < t.count && try_date_at(line, t, mode, usual, ctx, out)) {
        return true;
    }
    for (std::size_t at = mode + 2; at + 1 < t.count; ++at) {
        if (at != usual && try_date_at(line, t, mode, at, ctx, out)) {
            return true;
        }
    }
    return false;
}

}  // namespace varnix::dirlex
