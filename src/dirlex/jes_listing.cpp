// The JES job lists of MVS and z/OS, and the spool files of one job.
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

// DD names and step names: up to 8 of A-Z, 0-9, @, #, $.
[[nodiscard]] bool is_dd_name(std::string_view t)
{
    if (t.empty() || t.size() > 8) {
        return false;
    }
    for (char c : t) {
        if (!(c >= 'A' && c <= 'Z') && !text::is_digit(c) && c != '@' && c != '#' && c != '$') {
            return false;
        }
    }
    return true;
}

// A job's spool files, listed under its job line: "  001 JES2  A JESMSGLG  1200" (id,
// step, optional procedure step, output class, DD name, bytes). The DD name names the
// file, as every job lister shows it.
[[nodiscard]] bool read_spool_file(const text::Tokens& t, ListEntry& out)
{
    if (t.count < 5 || t.count > 6 || t[0].size() > 4 || !text::all_digits(t[0]) || !is_dd_name(t[1])) {
        return false;
    }
    const std::string_view job_class = t[t.count - 3];
    const std::string_view dd_name = t[t.count - 2];
    const auto bytes = text::to_u64(t[t.count - 1]);
    if (job_class.size() != 1 || !is_dd_name(job_class) || !is_dd_name(dd_name) || !bytes ||
        (t.count == 6 && !is_dd_name(t[2]))) {
        return false;
    }
    out.size = *bytes;
    return set_name(out, dd_name);
}

}  // namespace

bool parse_jes_line(std::string_view line, const ParseContext& ctx, ListEntry& out)
{
    text::Tokens t;
    text::split(line, t);
    begin_entry(out);
    if (t.count >= 5 && text::is_blank(line.front())) {
        return read_spool_file(t, out);
    }
    if (t.count < 3 || !is_job_id(t[1]) || !(is_status(t[2]) || (t.count >= 4 && is_status(t[3])))) {
        return decline(ctx, "no JES job id (JOB01234, STC..., TSU...) in the job columns");
    }
    return set_name(out, t[1]);
}

}  // namespace varnix::dirlex
