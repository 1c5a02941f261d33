// IBM MVS and z/OS data set and member lists.
#include "dirlex/mvs_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "2019/01/05", and "19/01/05" (year first too) in older member statistics.
[[nodiscard]] bool read_slash_date(std::string_view t, dates::Ymd& d)
{
    if (t.size() == 10 && t[4] == '/' && t[7] == '/') {
        return dates::parse_numeric_date(t, d);
    }
    return dates::parse_short_year_first(t, d);
}

[[nodiscard]] bool is_dsorg(std::string_view t)
{
    static constexpr std::string_view known[] = {"PS", "PO", "PO-E", "DA", "VS", "IS", "PS-E", "??", "?"};
    for (std::string_view k : known) {
        if (t == k) {
            return true;
        }
    }
    return false;
}

// Member names: up to 8 of A-Z, 0-9, @, #, $ on z/OS; servers in front of other stores
// (and some gateways) show longer ones, lower case, '-', '_' and '.'.
[[nodiscard]] bool is_member_name(std::string_view t)
{
    if (t.empty() || t.size() > 64) {
        return false;
    }
    for (char c : t) {
        if (!text::is_alpha(c) && !text::is_digit(c) && c != '@' && c != '#' && c != '$' && c != '-' && c != '_' &&
            c != '.') {
            return false;
        }
    }
    return true;
}

// A column the server could not fill: "????", "++++" (too many used tracks for the column).
[[nodiscard]] bool is_placeholder(std::string_view t)
{
    return !t.empty() && t.find_first_not_of("?+*") == std::string_view::npos;
}

// Headers only switch the listing's mode.
[[nodiscard]] bool is_header(const text::Tokens& t, const ParseContext& ctx)
{
    if (t.count >= 4 && t[0] == "Volume" && t[1] == "Unit") {
        if (ctx.state != nullptr) {
            ctx.state->mvs_members = false;
        }
        return true;
    }
    if (t.count >= 3 && t[0] == "Name" && (t[1] == "VV.MM" || t[1] == "Size")) {
        if (ctx.state != nullptr) {
            ctx.state->mvs_members = true;
            ctx.state->dialect = host::mvs;
        }
        return true;
    }
    return false;
}

// The states z/OS prints in place of a data set's attributes, the data set name last:
// "Migrated  NAME", "VSAM  NAME", "vol unit VSAM NAME", "V43525 Tape  NAME",
// "ARCIVE Not Direct Access Device  NAME", "Error determining attributes  NAME",
// "vol  Not Mounted  NAME", "File not on volume  NAME". "Pseudo Directory  NAME" is a
// directory of the names below a qualifier.
constexpr std::string_view state_words[] = {
    "Migrated", "MIGRAT", "VSAM", "Tape", "Not Direct Access", "Not a DASD", "Error determining attributes",
    "Not Mounted", "File not on volume", "Pseudo Directory",
};

[[nodiscard]] bool read_detail_less(std::string_view line, const text::Tokens& t, ListEntry& out)
{
    if (t.count < 2 || t.count > 8) {
        return false;
    }
    const std::string_view last = t[t.count - 1];
    // The state must stand among the first columns, before the name.
    const std::string_view before = line.substr(0, text::start_of(line, last));
    for (std::string_view words : state_words) {
        const std::size_t at = before.find(words);
        if (at == std::string_view::npos) {
            continue;
        }
        // At most a volume and a unit (capitals and digits) in front of it.
        text::Tokens lead;
        text::split(before.substr(0, at), lead);
        if (lead.count > 2 || (at > 0 && !text::is_blank(before[at - 1]))) {
            return false;
        }
        for (std::size_t i = 0; i < lead.count; ++i) {
            for (char c : lead[i]) {
                if (c >= 'a' && c <= 'z') {
                    return false;
                }
            }
        }
        if (words == "Pseudo Directory") {
            out.kind = EntryKind::Directory;
        }
        return set_name(out, last);
    }
    return false;
}

// "vol unit referred ext used recfm lrecl blksz dsorg dsname"; the numbers may run
// together when wide, so read from both ends.
[[nodiscard]] bool read_data_set(const text::Tokens& t, ListEntry& out)
{
    if (t.count < 6 || t.count > 11) {
        return false;
    }
    dates::Ymd referred;
    const bool dated = read_slash_date(t[2], referred);
    if (!dated && t[2] != "**NONE**") {
        return false;
    }
    const std::string_view dsorg = t[t.count - 2];
    if (!is_dsorg(dsorg) || (!text::all_digits(t[3]) && !is_placeholder(t[3]))) {
        return false;
    }
    for (std::size_t i = 4; i + 2 < t.count; ++i) {
        const std::string_view c = t[i];
        if (!text::all_digits(c) && !text::is_alpha(c[0]) && !is_placeholder(c)) {
            return false;
        }
    }
    if (dated) {
        dates::set_date_time(out, referred.year, referred.month, referred.day, 0, 0);
    }
    out.kind = dsorg.starts_with("PO") ? EntryKind::Directory : EntryKind::File;
    return set_name(out, t[t.count - 1]);
}

// From `at`: created date, changed date, time, size (lines), initial size, modified lines,
// and at most a user id.
[[nodiscard]] bool read_member_stats_from(const text::Tokens& t, std::size_t at, ListEntry& out)
{
    dates::Ymd created;
    dates::Ymd changed;
    int hour = 0;
    int minute = 0;
    if (t.count < at + 6 || t.count > at + 7 || !read_slash_date(t[at], created) ||
        !read_slash_date(t[at + 1], changed) || !dates::parse_clock(t[at + 2], hour, minute)) {
        return false;
    }
    const auto size = text::to_u64(t[at + 3]);
    if (!size || !text::all_digits(t[at + 4]) || !text::all_digits(t[at + 5])) {
        return false;
    }
    out.size = *size;
    dates::set_date_time(out, changed.year, changed.month, changed.day, hour, minute);
    return set_name(out, t[0]);
}

// "NAME  01.03 2019/01/05 2020/02/06 13:14   120   100     0 USERID": the changed date
// and time, and the size in lines. Some servers leave out the version column.
[[nodiscard]] bool read_member_stats(const text::Tokens& t, ListEntry& out)
{
    if (t.count < 7 || !is_member_name(t[0])) {
        return false;
    }
    const std::string_view vvmm = t[1];
    const bool versioned = vvmm.size() == 5 && vvmm[2] == '.' && text::all_digits(vvmm.substr(0, 2)) &&
                           text::all_digits(vvmm.substr(3));
    return read_member_stats_from(t, versioned ? 2 : 1, out);
}

// Load module members: "NAME  00B308 000411  00 FO  RN RU  31 ANY"; the size is hex.
[[nodiscard]] bool read_load_member(const text::Tokens& t, ListEntry& out)
{
    if (t.count < 4 || !is_member_name(t[0]) || t[1].size() < 6 || t[1].size() > 8 || t[2].size() != 6) {
        return false;
    }
    const auto size = text::hex_to_u64(t[1]);
    if (!size || !text::all_hex(t[2])) {
        return false;
    }
    out.size = *size;
    return set_name(out, t[0]);
}

}  // namespace

bool parse_mvs_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count == 0) {
        return decline(ctx, "empty line");
    }
    if (is_header(t, ctx)) {
        return decline(ctx, "a column header");
    }
    begin_entry(out);
    if (t.count == 1) {
        // A member without statistics, in a list whose header said so.
        if (ctx.state == nullptr || !ctx.state->mvs_members) {
            return decline(ctx, "a bare name counts as a member only in a member list");
        }
        return is_member_name(t[0]) && set_name(out, t[0]);
    }
    if (read_data_set(t, out) || read_detail_less(line, t, out) || read_member_stats(t, out) || read_load_member(t, out)) {
        return true;
    }
    return decline(ctx, "neither a data set line (volume, unit, date, ..., DSORG, name) nor a member line");
}

bool parse_mvs_bare_member(std::string_view line, ListEntry& out)
{
    const std::string_view name = text::trim(line);
    if (!is_member_name(name)) {
        return false;
    }
    begin_entry(out);
    return set_name(out, name);
}

}  // namespace varnix::dirlex
