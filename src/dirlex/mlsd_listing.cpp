// MLSD and MLST fact lines (RFC 3659).
#include "dirlex/mlsd_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

enum class TypeFact { Missing, File, Dir, Skip, Link, Other };

[[nodiscard]] TypeFact read_type(std::string_view v)
{
    if (text::iequals(v, "file")) {
        return TypeFact::File;
    }
    if (text::iequals(v, "dir")) {
        return TypeFact::Dir;
    }
    if (text::iequals(v, "cdir") || text::iequals(v, "pdir")) {
        return TypeFact::Skip;
    }
    // "OS.unix=slink:/target", "OS.unix=symlink", and the plain "link" some servers send.
    if (text::istarts_with(v, "OS.unix=slink") || text::istarts_with(v, "OS.unix=symlink") ||
        text::iequals(v, "link") || text::istarts_with(v, "slink")) {
        return TypeFact::Link;
    }
    return TypeFact::Other;
}

// "YYYYMMDDHHMMSS" with an optional ".sss" fraction, in UTC.
[[nodiscard]] bool read_modify(std::string_view v, ListEntry& out)
{
    if (v.size() < 14 || !text::all_digits(v.substr(0, 14))) {
        return false;
    }
    if (v.size() > 14 && (v[14] != '.' || !text::all_digits(v.substr(15)))) {
        return false;
    }
    const auto num = [&](std::size_t pos, std::size_t len) {
        return static_cast<int>(*text::to_uint(v.substr(pos, len), 9999));
    };
    const int hour = num(8, 2);
    const int minute = num(10, 2);
    if (hour > 23 || minute > 59 || num(12, 2) > 60) {
        return false;
    }
    dates::set_date_time(out, num(0, 4), num(4, 2), num(6, 2), hour, minute);
    return true;
}

}  // namespace

bool parse_mlsd_without_facts(std::string_view line, ListEntry& out)
{
    // RFC 3659 allows an empty fact list: the line is the separating blank and the name.
    // Some servers send a lone ';' as the list.
    if (line.starts_with("; ")) {
        line.remove_prefix(2);
    } else if (line.size() >= 2 && line.front() == ' ') {
        line.remove_prefix(1);
        const std::size_t blank = line.find(' ');
        if (line.substr(0, blank).find('=') != std::string_view::npos) {
            return false;  // an MLST line with facts
        }
    } else {
        return false;
    }
    begin_entry(out);
    return set_name(out, line);
}

bool parse_mlsd_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    if (line.starts_with("; ")) {
        return parse_mlsd_without_facts(line, out);
    }
    // An MLST reply line starts with one blank.
    if (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    // Every fact ends with ';' and one blank separates the last from the name; a fact value
    // may hold a blank ("UNIX.ownername=John Doe"). Servers that drop the last ';' are read
    // up to the first blank. Some servers put a TAB where the blank belongs.
    std::size_t space = line.find("; ");
    const std::size_t tab = line.find(";\t");
    if (tab < space) {
        space = tab;
    }
    if (space != std::string_view::npos) {
        ++space;
    } else {
        space = line.find(' ');
    }
    if (space == std::string_view::npos || space < 3) {
        return decline(ctx, "no facts followed by a blank and a name");
    }
    std::string_view facts = line.substr(0, space);
    if (facts.find('=') == std::string_view::npos) {
        return decline(ctx, "no fact=value before the name");
    }
    begin_entry(out);
    TypeFact type = TypeFact::Missing;
    std::string_view size;
    std::string_view sizd;
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view{} : facts.substr(end + 1);
        if (fact.empty()) {
            continue;
        }
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            return decline(ctx, "a fact without '='");
        }
        const std::string_view key = fact.substr(0, eq);
        const std::string_view value = fact.substr(eq + 1);
        if (text::iequals(key, "type")) {
            type = read_type(value);
        } else if (text::iequals(key, "size")) {
            size = value;
        } else if (text::iequals(key, "sizd")) {
            sizd = value;
        } else if (text::iequals(key, "modify") && !read_modify(value, out)) {
            dates::clear_date_time(out);
        }
    }
    if (type == TypeFact::Skip) {
        return decline(ctx, "the entry of the directory itself or its parent (cdir, pdir)");
    }
    out.kind = type == TypeFact::Dir ? EntryKind::Directory : type == TypeFact::Link ? EntryKind::Link : EntryKind::File;
    if (const auto v = text::to_u64(!size.empty() ? size : sizd)) {
        out.size = *v;
    }
    return set_name(out, line.substr(space + 1));
}

}  // namespace varnix::dirlex
