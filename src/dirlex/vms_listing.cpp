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

// The size column in bytes: "213" or "213/216" (used/allocated blocks: the used count),
// "2KB" (some servers give a unit; 1024-based), or "******" when the count overflowed its
// column (size unknown, 0).
[[nodiscard]] bool read_blocks(std::string_view t, std::uint64_t& bytes)
{
    if (t.size() >= 2 && t.find_first_not_of('*') == std::string_view::npos) {
        bytes = 0;
        return true;
    }
    if (t.size() >= 3 && (t.ends_with("KB") || t.ends_with("MB") || t.ends_with("GB"))) {
        const auto v = text::to_u64(t.substr(0, t.size() - 2));
        const int shift = t[t.size() - 2] == 'K' ? 10 : t[t.size() - 2] == 'M' ? 20 : 30;
        if (!v || *v > (UINT64_MAX >> shift)) {
            return false;
        }
        bytes = *v << shift;
        return true;
    }
    const std::size_t slash = t.find('/');
    if (slash != std::string_view::npos && !text::all_digits(t.substr(slash + 1))) {
        return false;
    }
    const auto v = text::to_u64(t.substr(0, slash));
    if (!v || *v > UINT64_MAX / block_size) {
        return false;
    }
    bytes = *v * block_size;
    return true;
}

// An owner written without brackets ("PRONAS", "SYSTEM"): letters, digits, '_', '$', ','.
[[nodiscard]] bool is_bare_owner(std::string_view t)
{
    if (t.empty() || t.size() > 40) {
        return false;
    }
    for (char c : t) {
        if (!text::is_alpha(c) && !text::is_digit(c) && c != '_' && c != '$' && c != ',') {
            return false;
        }
    }
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
[[nodiscard]] bool read_details(const text::Tokens& t, const ParseContext& ctx, ListEntry& out)
{
    std::size_t at = 1;
    if (is_bracketed(t[at], '[', ']')) {
        ++at;
    }
    std::uint64_t bytes = 0;
    bool have_size = read_blocks(t[at], bytes);
    if (have_size) {
        ++at;
    }
    dates::Ymd date;
    if (!dates::parse_day_monthname_year(t[at], date)) {
        return decline(ctx, "no DD-MMM-YYYY date after the name and size");
    }
    ++at;
    int hour = 0;
    int minute = 0;
    if (dates::parse_clock(t[at], hour, minute)) {
        ++at;
    }
    // Without a block count on either side of the date the size is unknown (0); only the
    // owner and protection may follow then.
    if (!have_size && read_blocks(t[at], bytes)) {
        ++at;
    }
    bool bare_owner_seen = false;
    for (; at < t.count; ++at) {
        if (is_bracketed(t[at], '[', ']') || is_bracketed(t[at], '(', ')')) {
            continue;
        }
        if (!bare_owner_seen && is_bare_owner(t[at])) {
            bare_owner_seen = true;
            continue;
        }
        return decline(ctx, "unexpected columns after the date");
    }
    out.size = bytes;
    dates::set_date_time(out, date.year, date.month, date.day, hour, minute);
    return true;
}

}  // namespace

bool parse_vms_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count == 0 || !is_vms_name(t[0]) || text::is_blank(line.front())) {
        return decline(ctx, "no NAME.TYPE;VERSION at the start of the line");
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
    return read_details(t, ctx, out) && store_name(t[0], out);
}

bool parse_vms_continuation(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    if (ctx.state == nullptr || ctx.state->pending_name.empty()) {
        return false;
    }
    std::string& joined = ctx.state->joined;
    joined.assign(ctx.state->pending_name);
    ctx.state->pending_name.clear();
    // Most servers indent the details; some start them at the margin. A line that starts
    // with a name of its own is a new entry.
    text::Tokens t;
    text::split(line, t);
    if (t.count == 0 || is_vms_name(t[0])) {
        return false;
    }
    joined += ' ';
    joined += line;
    return parse_vms_line(joined, ParseContext{ctx.today, nullptr}, out);
}

}  // namespace varnix::dirlex

namespace varnix::dirlex {

bool parse_vms_wrapped(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    const std::size_t br = line.find_first_of("\r\n");
    if (br == std::string_view::npos || br == 0) {
        return false;
    }
    const std::string_view name = line.substr(0, br);
    std::size_t rest = br;
    while (rest < line.size() && (line[rest] == '\r' || line[rest] == '\n')) {
        ++rest;
    }
    text::Tokens t;
    text::split(name, t);
    if (t.count != 1 || !is_vms_name(t[0]) || rest >= line.size()) {
        return false;
    }
    // Rare enough that a joined copy costs nothing worth avoiding.
    std::string joined;
    joined.reserve(line.size() + 1);
    joined.assign(t[0]);
    joined += ' ';
    joined.append(line.substr(rest));
    if (joined.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    return parse_vms_line(joined, ParseContext{ctx.today, nullptr, ctx.why}, out);
}

}  // namespace varnix::dirlex
