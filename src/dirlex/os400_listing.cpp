// IBM OS/400 (IBM i) lines.
#include "dirlex/os400_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

[[nodiscard]] bool is_object_type(std::string_view t)
{
    if (t.size() < 2 || t.front() != '*') {
        return false;
    }
    for (char c : t.substr(1)) {
        if (!text::is_alpha(c) && !text::is_digit(c)) {
            return false;
        }
    }
    return true;
}

[[nodiscard]] EntryKind kind_of(std::string_view type)
{
    if (type == "*DIR" || type == "*DDIR" || type == "*FLR" || type == "*LIB") {
        return EntryKind::Directory;
    }
    if (type == "*SYMLNK") {
        return EntryKind::Link;
    }
    return EntryKind::File;
}

[[nodiscard]] bool store(std::string_view type, std::string_view name, ListEntry& out)
{
    out.kind = kind_of(type);
    // Containers (libraries, physical files, directories) are shown with a trailing '/'.
    if (name.size() > 1 && name.back() == '/') {
        name.remove_suffix(1);
        out.kind = EntryKind::Directory;
    }
    return set_name(out, text::trim_right(name));
}

}  // namespace

bool parse_os400_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 3 || text::is_blank(line.front())) {
        return decline(ctx, "not owner, size, date, time, object type (*FILE, *DIR, *MEM), name");
    }
    begin_entry(out);
    if (is_object_type(t[1])) {
        return store(t[1], text::rest_after_blanks(line, text::end_of(line, t[1])), out);
    }
    if (t.count < 6 || !is_object_type(t[4])) {
        return decline(ctx, "no object type after the owner, size, date and time");
    }
    const auto size = text::to_u64(t[1]);
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (!size || !dates::parse_numeric_date(t[2], date) || !dates::parse_clock(t[3], hour, minute)) {
        return false;
    }
    out.size = *size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return store(t[4], text::rest_after_blanks(line, text::end_of(line, t[4])), out);
}

}  // namespace varnix::dirlex
