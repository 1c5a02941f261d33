// IBM z/VM (CMS) lines: minidisk and SFS file lists, FILELIST layouts and the byte file system.
#include "dirlex/zvm_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

[[nodiscard]] bool is_number_or_dash(std::string_view t)
{
    return t == "-" || text::all_digits(t);
}

[[nodiscard]] bool is_format(std::string_view t)
{
    return t == "F" || t == "V" || t == "-" || t == "DIR";
}

// "A1", "B0": the minidisk letter and file mode number of FILELIST layouts.
[[nodiscard]] bool is_file_mode(std::string_view t)
{
    return t.size() == 2 && t[0] >= 'A' && t[0] <= 'Z' && t[1] >= '0' && t[1] <= '6';
}

struct Columns {
    std::size_t format = 0;  // index of the record format; date and time follow its numbers
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
};

// The record format sits after the name, after name and type, or after name, type and
// mode; three numbers (or dashes), the date, the time and at most a label follow it.
[[nodiscard]] bool find_columns(const text::Tokens& t, Columns& c)
{
    for (std::size_t f = 1; f <= 3 && f + 5 < t.count; ++f) {
        if (t.count > f + 7 || !is_format(t[f]) || !is_number_or_dash(t[f + 1]) || !is_number_or_dash(t[f + 2]) ||
            !is_number_or_dash(t[f + 3])) {
            continue;
        }
        if (f == 3 && !is_file_mode(t[2])) {
            continue;
        }
        if (dates::parse_numeric_date(t[f + 4], c.date) && dates::parse_clock(t[f + 5], c.hour, c.minute)) {
            c.format = f;
            return true;
        }
    }
    return false;
}

// Record length times records: exact for fixed records, the upper bound for variable ones
// (the block size a V file's blocks would give is not in the listing).
[[nodiscard]] std::uint64_t estimate_size(const text::Tokens& t, std::size_t format)
{
    const auto lrecl = text::to_u64(t[format + 1]);
    const auto records = text::to_u64(t[format + 2]);
    if (!lrecl || !records || (*lrecl != 0 && *records > UINT64_MAX / *lrecl)) {
        return 0;
    }
    return *lrecl * *records;
}

// Byte file system: "05/20/2000 13:38:19 F 1 65758 'bfsline.cpy'" (D for a directory).
[[nodiscard]] bool parse_bfs_line(std::string_view line, const text::Tokens& t, ListEntry& out)
{
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (t.count < 6 || (t[2] != "F" && t[2] != "D") || !dates::parse_numeric_date(t[0], date) ||
        !dates::parse_clock(t[1], hour, minute) || !is_number_or_dash(t[3]) || !is_number_or_dash(t[4])) {
        return false;
    }
    std::string_view name = text::trim_right(text::rest_after_blanks(line, text::end_of(line, t[4])));
    if (name.size() < 2 || name.front() != '\'') {
        return false;
    }
    name.remove_prefix(1);
    if (name.back() == '\'') {
        name.remove_suffix(1);
    }
    begin_entry(out);
    out.kind = t[2] == "D" ? EntryKind::Directory : EntryKind::File;
    if (const auto size = text::to_u64(t[4])) {
        out.size = *size;
    }
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, name);
}

}  // namespace

bool parse_zvm_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count >= 6 && text::is_digit(t[0][0])) {
        return parse_bfs_line(line, t, out);
    }
    Columns c;
    if (t.count < 7 || t.count > 11 || !find_columns(t, c)) {
        return decline(ctx, "no record format (F, V), record length, record count and blocks followed by a date and time");
    }
    begin_entry(out);
    dates::set_date_time(out, c.date.year, c.date.month, c.date.day, c.hour, c.minute);
    // The file type is the token after the name unless that is already the format or the mode.
    const bool has_type = c.format >= 2 && !(c.format == 2 && is_file_mode(t[1]));
    const std::string_view type = has_type ? t[1] : std::string_view{};
    if (t[c.format] == "DIR" || type == "DIR") {
        out.kind = EntryKind::Directory;
        return set_name(out, t[0]);
    }
    out.size = estimate_size(t, c.format);
    if (text::has_control_breaks(type) || !set_name(out, t[0])) {
        return false;
    }
    if (!type.empty()) {
        out.name += '.';
        out.name.append(type.data(), type.size());
    }
    return true;
}

}  // namespace varnix::dirlex
