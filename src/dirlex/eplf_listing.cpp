// EPLF lines: '+', comma-separated facts, a TAB, the name.
#include "dirlex/eplf_listing.h"

#include "dirlex/dates.h"
#include "dirlex/text_scan.h"

namespace varnix::dirlex {

bool parse_eplf_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    if (line.size() < 3 || line.front() != '+') {
        return decline(ctx, "the line does not start with '+' or has no TAB before the name");
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return decline(ctx, "no TAB before the name");
    }
    begin_entry(out);
    std::string_view facts = line.substr(1, tab - 1);
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view{} : facts.substr(comma + 1);
        if (fact.empty()) {
            continue;
        }
        const std::string_view value = fact.substr(1);
        switch (fact.front()) {
        case '/':
            out.kind = EntryKind::Directory;
            break;
        case 's':
            if (const auto v = text::to_u64(value)) {
                out.size = *v;
            }
            break;
        case 'm':
            if (const auto v = text::to_u64(value); v && *v <= static_cast<std::uint64_t>(INT64_MAX)) {
                dates::set_unix_time(out, static_cast<std::int64_t>(*v));
            }
            break;
        default:
            break;  // 'r' retrievable, 'i' identity, 'up' permissions: not needed here
        }
    }
    return set_name(out, line.substr(tab + 1));
}

}  // namespace varnix::dirlex
