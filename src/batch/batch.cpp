// The batch driver: one transfer per command line or batch-file line, each with its own
// logon; the failure text is the server's last reply followed by the program's own line.
#include "batch/batch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "batch/batch_download.h"
#include "batch/command_line.h"
#include "batch/stop_signals.h"
#include "config/config_file.h"
#include "config/netrc.h"
#include "config/profiles.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/host_types.h"
#include "net/logon.h"
#include "platform/directory_scan.h"
#include "platform/ini_file.h"
#include "platform/line_reader.h"
#include "transfer/get_put.h"
#include "transfer/listing_fetch.h"
#include "transfer/local_names.h"
#include "transfer/sounds.h"

namespace varnix {

namespace {

// Room for two addresses of the longest Linux paths, and options.
constexpr std::size_t batch_line_chars = 2 * 4096 + 511;
// A name-list line may carry a path, not only a name.
constexpr std::size_t nlst_name_chars = 4095;

bool has_wildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// The directory part of a path (with its separator) when the character before the file part
// is a separator; nullopt otherwise.
std::optional<std::string> directory_part(const std::string& path) {
    const std::string file = file_part(path);
    if (file.size() >= path.size()) return std::nullopt;
    const char separator = path[path.size() - file.size() - 1];
    if (separator != '/' && separator != '\\') return std::nullopt;
    return path.substr(0, path.size() - file.size());
}

// Without -u and -w, a host that is no profile takes its logon from ~/.netrc, as curl and
// lftp do.
void fill_from_netrc(BatchContext& ctx, Session& s) {
    const NetrcLookup found = read_netrc_login(netrc_path(), s.host);
    if (!found.refused.empty()) ctx.messages.print_message("%s", found.refused.c_str());
    if (!found.login) return;
    s.user = cut_to(found.login->login, session_limits::user);
    s.password = cut_to(found.login->password, session_limits::password);
    s.account = cut_to(found.login->account, session_limits::account);
}

// Fills the session from the profile named like the host, or from the defaults. The profile
// goes through the one profile reader, so a password that saving accepted comes back whole.
void fill_session(BatchContext& ctx, const TransferAddress& remote) {
    Session& s = ctx.session;
    const IniFile ini = IniFile::load(ctx.config_path).file;
    if (profile_has_host(ini, remote.host)) {
        Session profile;
        profile.name = remote.host;
        read_profile_record(ini, profile);
        s.host = profile.host;
        s.user = profile.user;
        s.password = profile.password.empty() ? ctx.batch.password : profile.password;
        s.account = profile.account;
        s.use_firewall = profile.use_firewall;
        s.port = profile.port;
        s.tls = profile.tls;
        if (!profile.local_dir.empty()) {
            std::error_code ec;
            std::filesystem::current_path(profile.local_dir, ec);
            post_window_event(ctx.services.invoker, ctx.events.on_local_changed);
        }
        s.init_cmd = profile.init_cmd;
    } else {
        s.host = cut_to(remote.host, session_limits::host);
        s.user = ctx.batch.user;
        s.password = ctx.batch.password;
        s.account = ctx.batch.account;
        if (s.user.empty() && s.password.empty()) fill_from_netrc(ctx, s);
        s.use_firewall = batch_host_uses_firewall(ctx);
        s.init_cmd.clear();
        s.tls = TlsMode::Plain;
    }
    if (remote.implicit_tls) {
        s.tls = TlsMode::Implicit;
        s.port = implicit_tls_port;
    } else if (ctx.batch.require_tls && s.tls != TlsMode::Implicit) {
        s.tls = TlsMode::Required;
    }
    if (remote.port != 0) s.port = remote.port;
    ctx.trusted_fingerprints = ctx.batch.trusted_fingerprints;
    if (s.user.empty()) s.user = "anonymous";
    if (s.user == "anonymous") s.password = ctx.settings.mail_address;
}

// The server's last reply line (kept without its line end) followed by the program's line.
std::string failure_text(const BatchContext& ctx, std::string_view line) {
    std::string text = ctx.reply.text;
    if (!text.empty()) text += '\n';
    text += line;
    return text;
}

void report_failure(BatchContext& ctx, const std::string& text) {
    play_event_sound(ctx, SoundEvent::Error);
    if (ctx.on_show_window) ctx.on_show_window();
    // One message line per line of the text: the server's reply, then the program's own.
    std::string_view rest = text;
    for (auto end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        if (end > 0) ctx.messages.add_message_line(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    if (!rest.empty()) ctx.messages.add_message_line(rest);
    if (!ctx.batch.quiet && ctx.services.boxes) {
        (void)ctx.services.boxes->show(text, program_title, mb::ok);
    }
}

// The local name for a remote name, made for the folder it goes to (its file system's name
// length, and the names already there when RECU numbers new files), not the current one.
// With -resume the partial file keeps its name: RECU must not number a new one beside it.
std::string local_name_in(BatchContext& ctx, const std::string& folder, std::string_view remote) {
    const int recu = ctx.options.receive_unique;
    if (ctx.batch.resume) ctx.options.receive_unique = 0;
    std::string name = make_local_name(ctx, remote, probe_local_volume(folder.empty() ? "." : folder));
    ctx.options.receive_unique = recu;
    return name;
}

// put_file sends STOR before it opens the local file: a source that cannot be read would
// leave an empty file on the server and count as sent.
bool readable_file(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), R_OK) == 0;
}

BatchStep send_file(BatchContext& ctx, std::string& command, const std::string& local,
                    TransferMode mode) {
    if (!readable_file(local)) {
        ctx.messages.print_message("can't read %s", local.c_str());
        return BatchStep::Failed;
    }
    return batch_step(put_file(ctx, command, local, mode));
}

std::vector<std::string> read_name_list(const std::string& path) {
    std::vector<std::string> names;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (read_line(in, line, nlst_name_chars)) {
        if (!line.empty()) names.push_back(line);
    }
    return names;
}

// An empty folder is no failure: servers answer NLST there with 450 or 550 ("No files
// found"). A name list that broke off, or whose data connection never came, is one: the run
// must not report success for files it never looked at.
bool names_refused(const BatchContext& ctx, const TransferOutcome& outcome) {
    return outcome.status == TransferStatus::ServerRefused &&
           (ctx.reply.code == 450 || class_of_code(ctx.reply.code) == ReplyClass::Permanent);
}

BatchStep download_matching(BatchContext& ctx, const std::string& dir, const std::string& pattern,
                            const std::string& destination, TransferMode mode) {
    if (!change_dir(ctx, dir).completed()) return BatchStep::Failed;
    BatchStep result = BatchStep::Done;
    // Many servers (pyftpdlib among them) do not expand wildcards: then the whole name list
    // is fetched and matched here, with the same rules as local masks.
    bool filter = false;
    if (!fetch_listing(ctx, "NLST " + pattern).complete()) {
        const TransferOutcome all = fetch_listing(ctx, "NLST");
        if (!all.complete()) {
            if (names_refused(ctx, all)) {
                ctx.messages.print_message("No files match %s", pattern.c_str());
                return result;
            }
            ctx.messages.print_message("The name list of %s could not be read", dir.c_str());
            return BatchStep::Failed;
        }
        filter = true;
    }
    int matched = 0;
    for (const std::string& name : read_name_list(ctx.remote.listing_file)) {
        if (filter && !mask_matches(pattern, file_part(name))) continue;
        ++matched;
        const std::string local = destination + local_name_in(ctx, destination, file_part(name));
        result = download_file(ctx, name, local, mode);
        if (result != BatchStep::Done) break;
    }
    if (matched == 0) ctx.messages.print_message("No files match %s", pattern.c_str());
    return result;
}

BatchStep upload_matching(BatchContext& ctx, const std::string& dir, const std::string& pattern,
                          const std::string& destination, TransferMode mode) {
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (ec) return BatchStep::Failed;
    const auto entries = scan_directory(".");
    if (!entries) return BatchStep::Failed;
    // Nothing matching is a failure: the user named files to send.
    BatchStep result = BatchStep::Failed;
    for (const DirectoryEntry& entry : *entries) {
        if (entry.is_directory || !mask_matches(pattern, entry.name)) continue;
        std::string command = "STOR " + destination + entry.name;
        result = send_file(ctx, command, entry.name, mode);
        if (result != BatchStep::Done) break;
    }
    return result;
}

// The words after the options: "-quiet", "-ascii" and "-resume" anywhere among them set
// their flag (as whole words only: "/pub/my-ascii-notes.txt" is a name); the rest are the
// addresses.
std::vector<std::string> take_trailing_flags(BatchContext& ctx, std::string_view rest) {
    std::vector<std::string> addresses;
    for (std::string& word : command_words(rest)) {
        if (word == "-quiet") {
            ctx.batch.quiet = true;
        } else if (word == "-ascii") {
            ctx.options.mode = 'A';
        } else if (word == "-resume") {
            ctx.batch.resume = true;
        } else {
            addresses.push_back(std::move(word));
        }
    }
    return addresses;
}

}  // namespace

BatchStep transfer_matching(BatchContext& ctx, const std::string& source,
                            const std::string& destination, BatchDirection direction,
                            TransferMode mode) {
    const auto dir = directory_part(source);
    if (!dir || !file_part(destination).empty()) return BatchStep::Failed;
    const std::string pattern = file_part(source);
    if (direction == BatchDirection::Download) {
        return download_matching(ctx, *dir, pattern, destination, mode);
    }
    return upload_matching(ctx, *dir, pattern, destination, mode);
}

BatchStep transfer_by_address(BatchContext& ctx, const std::string& source,
                              std::string destination, BatchDirection direction,
                              TransferMode mode) {
    const std::string source_file = file_part(source);
    if (direction == BatchDirection::Upload) {
        if (has_wildcard(source_file)) {
            return transfer_matching(ctx, source, destination, direction, mode);
        }
        if (file_part(destination).empty()) destination += source_file;
        std::string command = "STOR " + destination;
        return send_file(ctx, command, source, mode);
    }
    if (source_file.empty()) return BatchStep::NotAFile;
    if (has_wildcard(source_file)) {
        return transfer_matching(ctx, source, destination, direction, mode);
    }
    if (file_part(destination).empty()) destination += local_name_in(ctx, destination, source_file);
    return download_file(ctx, source, destination, mode);
}

BatchResult run_batch_transfer(BatchContext& ctx, const std::string& source,
                               const std::string& destination) {
    const TransferAddress from = parse_transfer_address(source);
    const TransferAddress to = parse_transfer_address(destination);
    const bool download = from.kind == AddressKind::Remote && to.kind != AddressKind::Remote;
    const bool upload = from.kind == AddressKind::Local && to.kind == AddressKind::Remote;
    if (!download && !upload) {
        if (!ctx.batch.quiet && ctx.services.boxes) {
            char text[1100];
            std::snprintf(text, sizeof text, "SRC(%u): %s\nDST(%u): %s", static_cast<unsigned>(from.kind),
                          source.c_str(), static_cast<unsigned>(to.kind), destination.c_str());
            (void)ctx.services.boxes->show(text, "Unknown batch command!", mb::ok | mb::icon_stop);
        }
        ++ctx.batch_failures;
        return BatchResult::Failed;
    }
    const TransferAddress& remote = download ? from : to;
    std::string source_path = from.path;
    std::string destination_path = to.path;
    if (download && to.kind == AddressKind::None) {
        // Without a destination the file lands in the current folder under its local name;
        // for a wildcard that means each matching file does.
        destination_path =
            has_wildcard(file_part(from.path)) ? std::string() : local_name_in(ctx, "", file_part(from.path));
    }
    fill_session(ctx, remote);
    const std::string& host = ctx.session.host;
    ctx.messages.print_message(download ? "receiving %s from %s as %s" : "sending %s to %s as %s",
                               source_path.c_str(), host.c_str(), destination_path.c_str());
    ctx.reply.text.clear();
    std::string failure;
    if (!logon(ctx)) {
        failure = failure_text(ctx, "Connect failed to " + host);
    } else {
        if (!ctx.host.host_type_probed) probe_host_type(ctx);
        const BatchStep result = transfer_by_address(
            ctx, source_path, destination_path,
            download ? BatchDirection::Download : BatchDirection::Upload, chosen_mode(ctx));
        if (result == BatchStep::NotAFile && stop_signal() == 0) {
            // Host type 6028 has no CWD: the directory is taken as entered.
            const bool entered = ctx.session.host_type == dirlex::host::delete_only_no_cwd ||
                                 send_command(ctx, "CWD %s", source_path.c_str()).completed();
            if (entered) {
                list_remote_cached(ctx);
                post_window_event(ctx.services.invoker, ctx.events.on_mode_changed);
                if (ctx.on_interactive) ctx.on_interactive();
                if (ctx.on_show_window) ctx.on_show_window();
                return BatchResult::Interactive;
            }
        }
        close_control(ctx);
        ctx.connected = false;
        if (result == BatchStep::Done && stop_signal() == 0) {
            ctx.messages.print_message("successful transfer");
            play_event_sound(ctx, SoundEvent::Complete);
            return BatchResult::Succeeded;
        }
        failure = failure_text(ctx, "Transfer failed for " + source_path + " from " + host);
    }
    ++ctx.batch_failures;
    report_failure(ctx, failure);
    return BatchResult::Failed;
}

BatchResult run_batch(BatchContext& ctx, std::string_view rest_view) {
    ctx.messages.set_batch(true);
    // The session's own user and password are not reused for the batch host; the -u, -w and
    // -c given on this command line are (they serve hosts without a profile).
    ctx.session.user.clear();
    ctx.session.password.clear();
    std::string rest(rest_view);
    if (!rest.empty()) {
        std::replace(rest.begin(), rest.end(), '\\', '/');
        const auto addresses = take_trailing_flags(ctx, rest);
        if (!addresses.empty()) {
            ctx.batch.source = addresses[0];
            ctx.batch.destination = addresses.size() > 1 ? addresses[1] : std::string();
        }
    }
    if (!ctx.batch.source.empty()) {
        return run_batch_transfer(ctx, ctx.batch.source, ctx.batch.destination);
    }
    if (ctx.batch.batch_file.empty()) return BatchResult::Succeeded;
    const int failures_before = ctx.batch_failures;
    std::ifstream in(ctx.batch.batch_file, std::ios::binary);
    if (!in) {
        // Without a window nothing else would tell why the run failed.
        ctx.messages.print_message("couldn't open %s for read.", ctx.batch.batch_file.c_str());
        ++ctx.batch_failures;
    }
    std::string line;
    while (stop_signal() == 0 && read_line(in, line, batch_line_chars)) {
        // Blank lines separate jobs for the reader; they are no job.
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        ctx.batch.source.clear();
        ctx.batch.destination.clear();
        const auto line_rest = parse_options(ctx, line);
        if (!line_rest) {
            ++ctx.batch_failures;
            continue;
        }
        std::string first = ctx.batch.source, second = ctx.batch.destination;
        const auto addresses = take_trailing_flags(ctx, *line_rest);
        if (!addresses.empty()) {
            first = addresses[0];
            second = addresses.size() > 1 ? addresses[1] : std::string();
        }
        if (run_batch_transfer(ctx, first, second) == BatchResult::Interactive)
            return BatchResult::Interactive;
    }
    return ctx.batch_failures > failures_before ? BatchResult::Failed : BatchResult::Succeeded;
}

}  // namespace varnix
