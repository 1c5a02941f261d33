// UNIX `ls -l` lines and their imitations.
#include "dirlex/unix_listing.h"

#include "dirlex/dates.h"
#include "dirlex/ls_date.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// The type letters real systems print: the usual ones, Solaris doors 'D' and event ports
// 'P', HP-UX network special 'n' and hidden directories 'H', Plan 9's append-only 'a',
// Masscomp's contiguous 'C', Cray's migrated 'm'/'M', and '?' for an unknown type.
[[nodiscard]] constexpr bool is_file_type(char c)
{
    switch (c) {
    case '-': case 'd': case 'l': case 'b': case 'c': case 'p': case 's':
    case 'D': case 'n': case 'w': case 'L': case 'm': case 'M': case '?':
    case 'a': case 'P': case 'H': case 'C': case 'N': case 'e': case 'F':
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

[[nodiscard]] constexpr bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

enum class ModeForm : std::uint8_t {
    None,
    Plain,       // "-rw-r--r--", "-rw-r--r--+", short forms like "-rwx"
    GluedLinks,  // "-rw-r--r--+12": the link count ran into the mode
    Mailbox,     // Connect:Enterprise "-C--E-----FTP": status flags and the protocol
};

[[nodiscard]] bool all_mode_letters(std::string_view s)
{
    for (char c : s) {
        if (!is_mode_letter(c)) {
            return false;
        }
    }
    return true;
}

// Connect:Enterprise lists mailbox batches with ten status flags (upper-case letters or
// '-') where the permissions stand, followed at once by the protocol ("FTP", "TCP").
[[nodiscard]] bool is_mailbox_flags(std::string_view t)
{
    if (t.size() < 12 || t.size() > 16 || t[0] != '-') {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (t[i] != '-' && !is_upper(t[i])) {
            return false;
        }
    }
    for (std::size_t i = 10; i < t.size(); ++i) {
        if (!is_upper(t[i])) {
            return false;
        }
    }
    return true;
}

[[nodiscard]] ModeForm mode_form(std::string_view t)
{
    if (t.size() < 4 || t.size() > 16 || !is_file_type(t[0])) {
        return ModeForm::None;
    }
    if (t.size() < 10) {
        // Short permission strings of embedded servers: "-rwx", "drw-rw-". Only the common
        // types and lower-case letters, so that a short upper-case name ("PASTE") of
        // another dialect is not taken for one.
        if (std::string_view("-dlbcps").find(t[0]) == std::string_view::npos) {
            return ModeForm::None;
        }
        for (char c : t.substr(1)) {
            if (std::string_view("rwxsStT-").find(c) == std::string_view::npos) {
                return ModeForm::None;
            }
        }
        return ModeForm::Plain;
    }
    if (!all_mode_letters(t.substr(1, 9))) {
        return is_mailbox_flags(t) ? ModeForm::Mailbox : ModeForm::None;
    }
    std::size_t i = 10;
    while (i < t.size() && is_mode_suffix(t[i])) {
        ++i;
    }
    // Plan 9: "--rw-r--r--", "a-rw-rw-rw-": an exclusive-use flag before the nine letters.
    if (i == 10 && t.size() == 11 && is_mode_letter(t[10])) {
        return ModeForm::Plain;
    }
    if (i == t.size()) {
        return ModeForm::Plain;
    }
    return text::all_digits(t.substr(i)) ? ModeForm::GluedLinks : ModeForm::None;
}

struct Mode {
    std::size_t at = text::Tokens::max;
    ModeForm form = ModeForm::None;
};

// `ls -i` and `ls -s` put an inode number and a block count before the mode.
[[nodiscard]] Mode find_mode(const text::Tokens& t)
{
    for (std::size_t i = 0; i < 3 && i < t.count; ++i) {
        const ModeForm form = mode_form(t[i]);
        if (form != ModeForm::None) {
            return Mode{i, form};
        }
        if (!text::all_digits(t[i])) {
            break;
        }
    }
    return Mode{};
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

constexpr std::string_view link_arrow = " -> ";

[[nodiscard]] bool store_name(std::string_view name, ListEntry& out)
{
    const std::size_t arrow = name.find(link_arrow);
    // Some servers mark a link to a directory with 'd'; the arrow still shows it is a link.
    // Windows servers show a shortcut as a plain file "name.lnk -> target".
    if (arrow != std::string_view::npos && arrow > 0 &&
        (out.kind == EntryKind::Directory || (arrow > 4 && text::iequals(name.substr(arrow - 4, 4), ".lnk")))) {
        out.kind = EntryKind::Link;
    }
    if (out.kind == EntryKind::Link) {
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
    std::size_t end = text::end_of(line, t[d.last_token]);
    if (!d.fixed_width) {
        return text::rest_after_blanks(line, end);
    }
    const std::size_t start = text::start_of(line, t[at]);
    const std::string_view last = t[d.last_token];
    if (end - start == 11 && last.size() == 4 && text::all_digits(last) && end + 2 < line.size() &&
        text::is_blank(line[end]) && text::is_blank(line[end + 1])) {
        ++end;
    }
    return text::rest_after_one_blank(line, end);
}

// How the size column in front of a date may look.
enum class SizeColumn : std::uint8_t {
    Usual,    // a number, a number with a unit, device numbers, a negative number
    Glued,    // run into the group name ("longgroup123456")
    Missing,  // no size column at all
};

// Size from `at - 1` (as `how` allows), date from `at`, name after the date.
[[nodiscard]] bool try_date_at(std::string_view line, const text::Tokens& t, const Mode& mode, std::size_t at,
                               SizeColumn how, const ParseContext& ctx, ListEntry& out)
{
    std::uint64_t size = 0;
    const std::string_view before = t[at - 1];
    switch (how) {
    case SizeColumn::Usual:
        if ((!text::is_digit(before[0]) && before[0] != '-') || !read_ls_size(t, at - 1, mode.at + 1, size)) {
            return false;
        }
        break;
    case SizeColumn::Glued:
        if (!read_glued_size(before, size)) {
            return false;
        }
        break;
    case SizeColumn::Missing:
        if (text::is_digit(before[0])) {
            return false;
        }
        break;
    }
    LsDate d;
    if (!read_ls_date(t, at, ctx.today, d)) {
        return false;
    }
    begin_entry(out);
    out.kind = kind_of(t[mode.at][0]);
    // NetPresenz and other Mac servers put "folder" where the owner goes and an item count
    // where the size goes: no byte count for the folder.
    out.size = text::iequals(t[mode.at + 1], "folder") ? 0 : size;
    dates::set_date_time(out, d.year, d.month, d.day, d.hour, d.minute);
    return store_name(name_after_date(line, t, at, d), out);
}

// "drwxr-xr-x 3 owner group 512 name": some servers print no date at all.
[[nodiscard]] bool read_without_date(std::string_view line, const text::Tokens& t, const Mode& mode, ListEntry& out)
{
    std::size_t size_at = 0;
    if (text::all_digits(t[mode.at + 1]) && text::all_digits(t[mode.at + 4])) {
        size_at = mode.at + 4;  // links, owner, group, size
    } else if (text::all_digits(t[mode.at + 3])) {
        size_at = mode.at + 3;  // links and owner, or owner and group
    } else {
        return false;
    }
    // A date we could not read (day 32, hour 99, month 13) is not a missing date.
    if (size_at + 1 >= t.count || dates::month_from_name(t[size_at + 1]) != 0 || text::all_digits(t[size_at + 1])) {
        return false;
    }
    for (std::size_t i = size_at + 1; i < size_at + 4 && i < t.count; ++i) {
        int hour = 0;
        int minute = 0;
        LsDate unused;
        if (dates::parse_clock(t[i], hour, minute) || read_ls_date(t, i, CivilDate{}, unused)) {
            return false;
        }
    }
    const auto size = text::to_u64(t[size_at]);
    if (!size) {
        return false;
    }
    begin_entry(out);
    out.kind = kind_of(t[mode.at][0]);
    out.size = *size;
    return store_name(text::rest_after_blanks(line, text::end_of(line, t[size_at])), out);
}

[[nodiscard]] bool read_with_mode(std::string_view line, const text::Tokens& t, const Mode& mode,
                                  const ParseContext& ctx, ListEntry& out)
{
    // The size sits right before the date; owner and group may be missing, numeric, or
    // (on some Windows servers) hold blanks, so look for the date rather than count columns.
    // The usual place (after links, owner, group and size) is tried first.
    const std::size_t usual = mode.at + (mode.form == ModeForm::GluedLinks ? 4 : 5);
    if (usual + 1 < t.count && try_date_at(line, t, mode, usual, SizeColumn::Usual, ctx, out)) {
        return true;
    }
    for (SizeColumn how : {SizeColumn::Usual, SizeColumn::Glued, SizeColumn::Missing}) {
        for (std::size_t at = mode.at + 2; at + 1 < t.count && at < mode.at + 10; ++at) {
            if ((at != usual || how != SizeColumn::Usual) && try_date_at(line, t, mode, at, how, ctx, out)) {
                return true;
            }
        }
    }
    if (read_without_date(line, t, mode, out)) {
        return true;
    }
    return decline(ctx, "permissions found, but no date with a size before it, and not a dateless line");
}

// "0100644  500  101  12345  123456789  name": octal mode, uid, gid, size and the time in
// seconds since 1970, as some servers print for machine readers.
[[nodiscard]] bool read_numeric_form(std::string_view line, const text::Tokens& t, ListEntry& out)
{
    const std::string_view m = t[0];
    if (t.count < 6 || m.size() < 5 || m.size() > 7) {
        return false;
    }
    std::uint32_t mode = 0;
    for (char c : m) {
        if (c < '0' || c > '7') {
            return false;
        }
        mode = mode * 8 + static_cast<std::uint32_t>(c - '0');
    }
    const auto size = text::to_u64(t[3]);
    const auto seconds = text::to_u64(t[4]);
    if (!text::all_digits(t[1]) || !text::all_digits(t[2]) || !size || !seconds || t[4].size() > 12) {
        return false;
    }
    begin_entry(out);
    switch ((mode >> 12) & 017) {
    case 004:
        out.kind = EntryKind::Directory;
        break;
    case 012:
        out.kind = EntryKind::Link;
        break;
    default:
        break;
    }
    out.size = *size;
    dates::set_unix_time(out, static_cast<std::int64_t>(*seconds));
    return store_name(text::rest_after_blanks(line, text::end_of(line, t[4])), out);
}

// Windows SSH/FTP server products without permissions: "206876  Apr 04, 2000 21:06 name",
// with a trailing '/' for directories.
[[nodiscard]] bool read_size_first(std::string_view line, const text::Tokens& t, const ParseContext& ctx,
                                   ListEntry& out)
{
    if (t.count < 5 || !text::all_digits(t[0]) || t[2].empty() || t[2].back() != ',') {
        return false;
    }
    const auto size = text::to_u64(t[0]);
    LsDate d;
    if (!size || !read_ls_date(t, 1, ctx.today, d)) {
        return false;
    }
    begin_entry(out);
    out.size = *size;
    dates::set_date_time(out, d.year, d.month, d.day, d.hour, d.minute);
    std::string_view name = name_after_date(line, t, 1, d);
    if (name.size() > 1 && name.back() == '/') {
        out.kind = EntryKind::Directory;
    }
    return store_name(name, out);
}

}  // namespace

bool parse_unix_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    const Mode mode = find_mode(t);
    if (mode.at < t.count) {
        return read_with_mode(line, t, mode, ctx, out);
    }
    if (t.count > 0 && text::is_digit(t[0][0]) &&
        (read_numeric_form(line, t, out) || read_size_first(line, t, ctx, out))) {
        return true;
    }
    return decline(ctx, "no permission string (like -rw-r--r--) in the first three columns");
}

}  // namespace varnix::dirlex
