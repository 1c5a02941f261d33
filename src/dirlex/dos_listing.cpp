// Windows and DOS style lines.
#include "dirlex/dos_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

enum class Meridiem { None, Am, Pm };

[[nodiscard]] bool read_meridiem(std::string_view s, Meridiem& m)
{
    if (text::iequals(s, "AM") || text::iequals(s, "A") || text::iequals(s, "a.m.")) {
        m = Meridiem::Am;
        return true;
    }
    if (text::iequals(s, "PM") || text::iequals(s, "P") || text::iequals(s, "p.m.")) {
        m = Meridiem::Pm;
        return true;
    }
    return false;
}

// "11:14", "11:14:05", "11:14AM", "11:14 PM". `at` moves past the time's tokens.
[[nodiscard]] bool read_time(const text::Tokens& t, std::size_t& at, int& hour, int& minute)
{
    std::string_view token = t[at];
    std::size_t letters = 0;
    while (letters < token.size() && (text::is_digit(token[letters]) || token[letters] == ':')) {
        ++letters;
    }
    Meridiem m = Meridiem::None;
    if (letters < token.size() && !read_meridiem(token.substr(letters), m)) {
        return false;
    }
    if (!dates::parse_clock(token.substr(0, letters), hour, minute)) {
        return false;
    }
    ++at;
    if (m == Meridiem::None && read_meridiem(t[at], m)) {
        ++at;
    }
    if (m != Meridiem::None) {
        // Some servers print the hour after midnight as "00:15AM" rather than "12:15AM".
        if (hour > 12) {
            return false;
        }
        hour = (hour % 12) + (m == Meridiem::Pm ? 12 : 0);
    }
    return true;
}

[[nodiscard]] bool is_link_marker(std::string_view t)
{
    return text::iequals(t, "<JUNCTION>") || text::iequals(t, "<SYMLINKD>") || text::iequals(t, "<SYMLINK>");
}

// `dir` shows a link's target after its name: "name [C:\target]".
[[nodiscard]] std::string_view drop_link_target(std::string_view name)
{
    if (name.size() > 3 && name.back() == ']') {
        const std::size_t open = name.rfind(" [");
        if (open != std::string_view::npos && open > 0) {
            return name.substr(0, open);
        }
    }
    return name;
}

}  // namespace

bool parse_dos_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 3) {
        return decline(ctx, "fewer than three columns");
    }
    dates::Ymd date;
    if (!dates::parse_numeric_date(t[0], date)) {
        return decline(ctx, "no numeric date (MM-DD-YY, YYYY-MM-DD) at the start");
    }
    std::size_t at = 1;
    int hour = 0;
    int minute = 0;
    if (!read_time(t, at, hour, minute) || at + 1 >= t.count) {
        return decline(ctx, "no time (HH:MM, HH:MMPM) after the date");
    }
    begin_entry(out);
    const std::string_view column = t[at];
    std::string_view name;
    if (text::iequals(column, "<DIR>")) {
        out.kind = EntryKind::Directory;
        name = text::rest_after_blanks(line, text::end_of(line, column));
    } else if (is_link_marker(column)) {
        out.kind = EntryKind::Link;
        name = drop_link_target(text::rest_after_blanks(line, text::end_of(line, column)));
    } else {
        const auto size = text::grouped_to_u64(column);
        if (!size) {
            return decline(ctx, "neither <DIR> nor a size after the time");
        }
        out.size = *size;
        name = text::rest_after_one_blank(line, text::end_of(line, column));
    }
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return set_name(out, name);
}

}  // namespace varnix::dirlex
