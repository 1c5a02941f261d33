// The JES job lists of MVS and z/OS.
#include "dirlex/jes_listing.h"

#include "dirlex/text_scan.h"

namespace varnix::dirlex {
namespace {

// "JOB01906", "STC00012", "TSU04711" or the wide "J0123456".
[[nodiscard]] bool is_job_id(std::string_view t)
{
    if (t.size() == 8 && (t.starts_with("JOB") || t.starts_with("STC") || t.starts_with("TSU"))) {
        return text::all_digits(t.substr(3));
    }
    if (t.size() == 8 && (t[0] == 'J' || t[0] == 'S' || t[0] == 'T')) {
        return text::all_digits(t.substr(1));
    }
    return false;
}

[[nodiscard]] bool is_status(std::string_view t)
{
    static constexpr std::string_view known[] = {"OUTPUT", "ACTIVE", "INPUT", "HELD", "HOLD", "WAITING", "EXECUTING"};
    for (std::string_view k : known) {
        if (t == k) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool parse_jes_line(std::string_view line, const ParseContext&, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    if (t.count < 3 || !is_job_id(t[1]) || !(is_status(t[2]) || (t.count >= 4 && is_status(t[3])))) {
        return false;
    }
    begin_entry(out);
    return set_name(out, t[1]);
}

}  // namespace varnix::dirlex
