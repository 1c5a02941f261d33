// UNIX `ls -l` lines and their imitations.
#include "dirlex/unix_listing.h"

#include "dirlex/dates.h"
#include "dirlex/ls_date.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

constexpr std::string_view file_types = "-dlbcpsDnwLmM?";
constexpr std::string_view mode_letters = "rwxsStTlLAaEe-";
// Markers after the mode: ACL '+', extended attributes '@', SELinux context '.'.
constexpr std::string_view mode_suffixes = "+@.*";

[[nodiscard]] bool is_mode_token(std::string_view t)
{
    if (t.size() < 10 || t.size() > 12 || file_types.find(t[0]) == std::string_view::npos) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (mode_letters.find(t[i]) == std::string_view::npos) {
            return false;
        }
    }
    for (std::size_t i = 10; i < t.size(); ++i) {
        if (mode_suffixes.find(t[i]) == std::string_view::npos) {
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
    for (std::size_t at = mode + 2; at + 1 < t.count; ++at) {
        std::uint64_t size = 0;
        if (!text::is_digit(t[at - 1][0]) || !read_ls_size(t, at - 1, mode + 1, size)) {
            continue;
        }
        LsDate d;
        if (!read_ls_date(t, at, ctx.today, d)) {
            continue;
        }
        begin_entry(out);
        out.kind = kind_of(t[mode][0]);
        out.size = size;
        dates::set_date_time(out, d.year, d.month, d.day, d.hour, d.minute);
        const std::string_view name = text::rest_after_one_blank(line, text::end_of(line, t[d.last_token]));
        return store_name(name, out);
    }
    return false;
}

}  // namespace varnix::dirlex
