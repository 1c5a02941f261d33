// IBM z/VM (CMS) lines.
#include "dirlex/zvm_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

[[nodiscard]] bool is_number_or_dash(std::string_view t)
{
    return t == "-" || text::all_digits(t);
}

}  // namespace

bool parse_zvm_line(std::string_view line, const ParseContext&, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 8 || t.count > 10) {
        return false;
    }
    // Some servers add the file mode ("A1") after the type; the columns shift by one.
    const std::string_view mode = t[2];
    if (t.count >= 9 && mode.size() == 2 && text::is_alpha(mode[0]) && text::is_digit(mode[1])) {
        for (std::size_t i = 2; i + 1 < t.count; ++i) {
            t.tok[i] = t.tok[i + 1];
        }
        --t.count;
    }
    const std::string_view format = t[2];
    if (format != "F" && format != "V" && format != "-" && format != "DIR") {
        return false;
    }
    if (!is_number_or_dash(t[3]) || !is_number_or_dash(t[4]) || !is_number_or_dash(t[5])) {
        return false;
    }
    dates::Ymd date;
    int hour = 0;
    int minute = 0;
    if (!dates::parse_numeric_date(t[6], date) || !dates::parse_clock(t[7], hour, minute)) {
        return false;
    }
    begin_entry(out);
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    if (t[1] == "DIR" || format == "DIR") {
        out.kind = EntryKind::Directory;
        return set_name(out, t[0]);
    }
    const auto lrecl = text::to_u64(t[3]);
    const auto records = text::to_u64(t[4]);
    if (lrecl && records && (*lrecl == 0 || *records <= UINT64_MAX / *lrecl)) {
        out.size = *lrecl * *records;
    }
    if (text::has_control_breaks(t[1]) || !set_name(out, t[0])) {
        return false;
    }
    out.name += '.';
    out.name.append(t[1].data(), t[1].size());
    return true;
}

}  // namespace varnix::dirlex
