// Batch downloads: whole, resumed from the local file's size with REST, and the report of
// the partial file a stop signal leaves behind.
#include "batch/batch_download.h"

#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/command_line.h"
#include "batch/stop_signals.h"
#include "net/control_connection.h"
#include "platform/file_handle.h"
#include "transfer/extension_lists.h"
#include "transfer/get_put.h"
#include "transfer/progress.h"
#include "transfer/remote_time.h"

namespace varnix {

namespace {

// The bound on the one command sent after a stop: the user is waiting for the program to end.
constexpr std::int32_t after_stop_timeout = 10;

// The local file's size; -1 when there is no such file, -2 when it is not a regular file.
std::int64_t local_file_size(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) return -2;
    return static_cast<std::int64_t>(st.st_size);
}

// The transfer type the download would use: automatic mode picks it by the name.
bool ascii_transfer(BatchContext& ctx, const std::string& remote, TransferMode mode) {
    if (ctx.options.auto_mode) return is_ascii_name(ctx, remote);
    return mode == TransferMode::Ascii;
}

// get_file, but a download whose local file was not written whole is no success even when
// the server confirmed it: the run's exit status must not report a file that is not there.
BatchStep receive_whole(BatchContext& ctx, const std::string& remote, const std::string& local,
                        TransferMode mode) {
    std::string command = "RETR " + remote;
    const TransferOutcome outcome = get_file(ctx, command, local, mode);
    if (outcome.reply_class == ReplyClass::Completed && !outcome.complete()) {
        ctx.messages.print_message("%s was not received whole", local.c_str());
    }
    if (outcome.complete()) (void)apply_remote_time(ctx, remote, local);
    return batch_step(outcome);
}

void send_binary_type(BatchContext& ctx) {
    if (ctx.control.state().current_type == 'I') return;
    (void)send_command(ctx, "TYPE I");
    ctx.control.state().current_type = 'I';
}

// REST from the local file's size, then RETR, appending to the file. ASCII is refused: the
// local file's line ends differ from the server's, so its size is no offset on the server.
BatchStep resume_download(BatchContext& ctx, const std::string& remote, const std::string& local,
                          TransferMode mode) {
    if (ascii_transfer(ctx, remote, mode)) {
        ctx.messages.print_message(
            "-resume needs a binary transfer: an ASCII file's size here is no offset on the "
            "server; %s not resumed",
            local.c_str());
        return BatchStep::Failed;
    }
    const std::int64_t have = local_file_size(local);
    if (have == -2) {
        ctx.messages.print_message("%s is not a regular file; not resumed", local.c_str());
        return BatchStep::Failed;
    }
    if (have <= 0) return receive_whole(ctx, remote, local, mode);
    send_binary_type(ctx);
    const std::int64_t total = remote_file_size(ctx, remote);
    if (total == have) {
        ctx.messages.print_message("%s is complete (%lld bytes); nothing to fetch", local.c_str(),
                                   static_cast<long long>(have));
        return BatchStep::Done;
    }
    if (total >= 0 && have > total) {
        ctx.messages.print_message("%s is longer than %s on the server (%lld against %lld bytes); "
                                   "not resumed",
                                   local.c_str(), remote.c_str(), static_cast<long long>(have),
                                   static_cast<long long>(total));
        return BatchStep::Failed;
    }
    const FileHandle file(::open(local.c_str(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0 || ::lseek(file.get(), have, SEEK_SET) != have) {
        ctx.messages.print_message("can't open %s to resume it", local.c_str());
        return BatchStep::Failed;
    }
    ctx.messages.print_message("resuming %s at byte %lld", local.c_str(), static_cast<long long>(have));
    const std::string file_name = file_part(remote);
    const std::string dir = file_name.size() < remote.size()
                                ? remote.substr(0, remote.size() - file_name.size())
                                : std::string("./");
    const TransferOutcome outcome = restart_get(ctx, file.get(), dir, file_name, have);
    if (!outcome.complete()) {
        if (outcome.reply_class == ReplyClass::Completed) ctx.messages.print_message("%s was not received whole", local.c_str());
        return BatchStep::Failed;
    }
    // A server that refused REST sent the file from its start: nothing stale may follow it.
    const off_t end = ::lseek(file.get(), 0, SEEK_CUR);
    if (end < 0 || ::ftruncate(file.get(), end) != 0) return BatchStep::Failed;
    (void)apply_remote_time(ctx, remote, local);
    return BatchStep::Done;
}

// After a stop signal: what is left of the download and how to go on.
void report_kept(BatchContext& ctx, const std::string& remote,
                 const std::string& local) {
    const std::int64_t have = local_file_size(local);
    if (have < 0) return;
    std::int64_t total = expected_size_from_caption(ctx.transfer.progress_caption);
    if (total <= 0 && ctx.control.is_open() && ctx.connected && ctx.control.state().current_type == 'I') {
        const std::int32_t timeout = ctx.session.timeout;
        ctx.session.timeout = after_stop_timeout;
        total = remote_file_size(ctx, remote);
        ctx.session.timeout = timeout;
    }
    if (total > 0) {
        ctx.messages.print_message("%lld bytes of %lld kept in %s; run again with -resume",
                                   static_cast<long long>(have), static_cast<long long>(total),
                                   local.c_str());
    } else {
        ctx.messages.print_message("%lld bytes of an unknown size kept in %s; run again with -resume",
                                   static_cast<long long>(have), local.c_str());
    }
}

}  // namespace

std::int64_t remote_file_size(BatchContext& ctx, const std::string& remote) {
    const CommandReply reply = send_command(ctx, "SIZE %s", remote.c_str());
    if (reply.code != 213) return -1;
    // "213 <size>"
    std::string_view text = reply.text;
    const auto blank = text.find(' ');
    if (blank == std::string_view::npos) return -1;
    text.remove_prefix(blank + 1);
    std::int64_t size = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (ec != std::errc() || size < 0) return -1;
    (void)end;
    return size;
}

BatchStep download_file(BatchContext& ctx, const std::string& remote, const std::string& local,
                        TransferMode mode) {
    // A caption left from an earlier transfer must not pass for this file's size.
    ctx.transfer.progress_caption.clear();
    const BatchStep result = ctx.batch.resume ? resume_download(ctx, remote, local, mode)
                                        : receive_whole(ctx, remote, local, mode);
    if (stop_signal() == 0) return result;
    report_kept(ctx, remote, local);
    return BatchStep::Failed;
}

}  // namespace varnix
