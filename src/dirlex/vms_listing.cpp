// VMS lines, including entries wrapped onto two lines.
#include "dirlex/vms_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

constexpr std::uint64_t block_size = 512;

// "NAME.EXT;12": a version number after the ';'.
[[nodiscard]] bool is_vms_name(std::string_view t)
{
    const std::size_t semi = t.rfind(';');
    if (semi == std::string_view::npos || semi == 0 || semi + 1 == t.size() || t.size() - semi > 6) {
        return false;
    }
    return text::all_digits(t.substr(semi + 1));
}

// "213" or "213/216" (used/allocated blocks): the used count.
[[nodiscard]] bool read_blocks(std::string_view t, std::uint64_t& blocks)
{
    const std::size_t slash = t.find('/');
    if (slash != std::string_view::npos && !text::all_digits(t.substr(slash + 1))) {
        return false;
    }
    const auto v = text::to_u64(t.substr(0, slash));
    if (!v || *v > UINT64_MAX / block_size) {
        return false;
    }
    blocks = *v;
    return true;
}

[[nodiscard]] bool is_bracketed(std::string_view t, char open, char close)
{
    return t.size() >= 2 && t.front() == open && t.back() == close;
}

[[nodiscard]] bool store_name(std::string_view name, ListEntry& out)
{
    // CMU/IP servers put the directory in front: "[VMSSERV.FILES]ALARM.DIR;1".
    if (!name.empty() && name.front() == '[') {
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos && close + 1 < name.size()) {
            name.remove_prefix(close + 1);
        }
    }
    const std::size_t semi = name.rfind(';');
    if (semi >= 4 && text::iequals(name.substr(semi - 4, 4), ".DIR")) {
        out.kind = EntryKind::Directory;
        name = name.substr(0, semi - 4);
    }
    return set_name(out, name);
}

// The columns after the name: [owner] size date [time] [size] [owner] [protection].
[[nodiscard]] bool read_details(const text::Tokens& t, ListEntry& out)
{
    std::size_t at = 1;
    if (is_bracketed(t[at], '[', ']')) {
        ++at;
    }
    std::uint64_t blocks = 0;
    bool have_blocks = read_blocks(t[at], blocks);
    if (have_blocks) {
        ++at;
    }
    dates::Ymd date;
    if (!dates::parse_day_monthname_year(t[at], date)) {
        return false;
    }
    ++at;
    int hour = 0;
    int minute = 0;
    if (dates::parse_clock(t[at], hour, minute)) {
        ++at;
    }
    if (!have_blocks) {
        have_blocks = read_blocks(t[at], blocks);
        if (!have_blocks) {
            return false;
        }
        ++at;
    }
    for (; at < t.count; ++at) {
        if (!is_bracketed(t[at], '[', ']') && !is_bracketed(t[at], '(', ')')) {
            return false;
        }
    }
    out.size = blocks * block_size;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return true;
}

}  // namespace

bool parse_vms_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count == 0 || !is_vms_name(t[0]) || text::is_blank(line.front())) {
        return false;
    }
    if (t.count == 1) {
        // The details follow on the next line.
        if (ctx.state != nullptr) {
            ctx.state->pending_name.assign(t[0]);
        }
        return false;
    }
    begin_entry(out);
    // "%RMS-E-PRV, insufficient privilege": the file exists, its details are not shown.
    if (t[1].front() == '%') {
        return store_name(t[0], out);
    }
    return read_details(t, out) && store_name(t[0], out);
}

bool parse_vms_continuation(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    if (ctx.state == nullptr || ctx.state->pending_name.empty()) {
        return false;
    }
    std::string& joined = ctx.state->joined;
    joined.assign(ctx.state->pending_name);
    ctx.state->pending_name.clear();
    if (line.empty() || !text::is_blank(line.front())) {
        return false;
    }
    joined += line;
    return parse_vms_line(joined, ParseContext{ctx.today, nullptr}, out);
}

}  // namespace varnix::dirlex
