// get_file, put_file, restart_get and the pane-level download_one / upload_one.
#include "transfer/get_put.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <unistd.h>

#include "dirlex/dirlex.h"
#include "net/control_connection.h"
#include "net/data_connection.h"
#include "platform/stream.h"
#include "listing/local_listing.h"
#include "transfer/extension_lists.h"
#include "transfer/local_names.h"
#include "transfer/remote_time.h"
#include "transfer/restart.h"
#include "transfer/sounds.h"
#include "transfer/transfer_log.h"
#include "transfer/transfer_loops.h"

namespace varnix {

namespace {


enum class Direction { Get, Put };

struct Job {
    Direction direction;
    std::string& command;
    const std::string* local_path = nullptr;  // get_file / put_file
    int file = -1;                            // restart_get
    std::int64_t offset = 0;
    bool at_offset = false;
    std::function<void()> before_command;  // restart_get's REST
};

bool refused_checks(TransferContext& ctx) {
    if (!ctx.control.is_open()) {
        ctx.messages.print_message("no ctrl_skt, ignored");
        return true;
    }
    if (ctx.busy_count != 0) {
        ctx.messages.print_message("command in process, ignored");
        return true;
    }
    return false;
}

// A name from a hostile listing ("a\r\nDELE b") must not become a second command: refused
// before any TYPE, PASV or PORT goes out.
bool refused_command(TransferContext& ctx, std::string_view command) {
    if (!holds_line_break(command)) return false;
    ctx.messages.print_message("Command not sent: it holds a line break or NUL");
    return true;
}

void set_mode(TransferContext& ctx, TransferMode mode) {
    ctx.options.mode = static_cast<int>(mode);
    post_window_event(ctx.services.invoker, ctx.events.on_mode_changed);
}

// Sends TYPE when the wanted type differs from the one last sent.
void send_type(TransferContext& ctx, TransferMode mode) {
    const char letter = static_cast<char>(mode);
    if (letter == ctx.control.state().current_type) return;
    if (mode == TransferMode::Local8) {
        (void)send_command(ctx, "TYPE L 8");
    } else {
        (void)send_command(ctx, "TYPE %c", letter);
    }
    ctx.control.state().current_type = letter;
}

// Sends the transfer command; for a put, a 500 to STOU is tried again as STOR.
CommandReply send_transfer_command(TransferContext& ctx, Job& job) {
    if (job.before_command) job.before_command();
    CommandReply reply = send_command_text(ctx, job.command);
    if (job.direction == Direction::Put && reply.not_understood() &&
        job.command.starts_with("STOU") && ctx.options.send_unique == 1) {
        job.command[3] = 'R';
        reply = send_command_text(ctx, job.command);
    }
    return reply;
}

TransferOutcome run_loop(TransferContext& ctx, Job& job) {
    if (job.direction == Direction::Put) return send_file_data(ctx, *job.local_path);
    if (job.at_offset) return receive_file_data_at(ctx, job.file, job.offset);
    return receive_file_data(ctx, *job.local_path);
}

// Closes the data connection. An upload that did not send the whole file is closed with a
// reset: closed normally, the server would store the part as the whole file and confirm it.
void end_data_connection(TransferContext& ctx, const Job& job, const TransferOutcome& loop) {
    if (job.direction == Direction::Put && !loop.data_whole && ctx.data.is_open()) {
        ctx.data.stream().set_abortive_close();
        ctx.messages.print_message("[%u] upload not whole: data connection reset",
                                   static_cast<unsigned>(ctx.data.descriptor()));
    }
    close_data_plain(ctx);
}

TransferOutcome refused() { return TransferOutcome{TransferStatus::ServerRefused, 0, ReplyClass::None, false}; }

// After the loop and the completion reply: complete only when every byte moved and the
// server confirmed it.
TransferOutcome completed(TransferOutcome loop, ReplyClass completion) {
    loop.reply_class = completion;
    if (loop.status == TransferStatus::Complete && completion != ReplyClass::Completed)
        loop.status = TransferStatus::CutShort;
    return loop;
}

// The loop over an open data connection, then the completion reply.
TransferOutcome move_data(TransferContext& ctx, Job& job, bool active) {
    const TransferOutcome loop = run_loop(ctx, job);
    end_data_connection(ctx, job, loop);
    if (job.direction == Direction::Get && active) {
        ctx.messages.print_message("[%u] looking for completion line",
                                   static_cast<unsigned>(ctx.control.descriptor()));
    }
    if (loop.completion_read) return completed(loop, loop.reply_class);
    return completed(loop, read_reply(ctx).cls);
}

// Step 6: over a passive connection; nothing when the connection could not be made.
std::optional<TransferOutcome> transfer_passive(TransferContext& ctx, Job& job) {
    if (!passive_connect(ctx)) return std::nullopt;
    if (!send_transfer_command(ctx, job).preliminary()) {
        end_data_connection(ctx, job, refused());
        return refused();
    }
    if (job.direction == Direction::Get) ctx.transfer.progress_caption = ctx.reply.text;
    return move_data(ctx, job, false);
}

// Step 7: over an active connection.
TransferOutcome transfer_active(TransferContext& ctx, Job& job) {
    if (!open_listener(ctx)) {
        play_event_sound_if_enabled(ctx, SoundEvent::Error);
        return refused();
    }
    CommandReply reply = send_transfer_command(ctx, job);
    if (job.direction == Direction::Get && reply.code == 550 &&
        ctx.session.host_type == dirlex::host::mvs) {
        quote_argument(job.command);
        // The retry is a new transfer command: a resumed get needs its REST again, or a
        // server that dropped the marker sends the file from its start, written at the offset.
        if (job.before_command) job.before_command();
        reply = send_command_text(ctx, job.command);
    }
    if (!reply.preliminary()) {
        close_listener(ctx);
        play_event_sound_if_enabled(ctx, SoundEvent::Error);
        return refused();
    }
    if (job.direction == Direction::Get) ctx.transfer.progress_caption = ctx.reply.text;
    if (const DataAccept accepted = accept_data_connection(ctx); !accepted) {
        // After its 1xx the server gave up on the connection, or it never came: the transfer
        // broke off (not a refusal of the command, which a wildcard's name list takes for
        // "no files").
        TransferOutcome failed{TransferStatus::CutShort, 0, ReplyClass::None, false};
        if (accepted.answer.code != 0) {
            failed.reply_class = accepted.answer.cls;
            return failed;
        }
        // The server answered the transfer command and will report the failed connection:
        // read that reply (within the time-out), or every later command gets the reply of
        // the one before.
        if (ctx.cancel_requested) failed.status = TransferStatus::Cancelled;
        failed.reply_class = read_reply(ctx).cls;
        return failed;
    }
    return move_data(ctx, job, true);
}

TransferOutcome transfer(TransferContext& ctx, Job& job) {
    if (ctx.session.passive) {
        if (const auto outcome = transfer_passive(ctx, job)) return *outcome;
    }
    return transfer_active(ctx, job);
}

// Automatic mode chooses ASCII or binary by the name's extension.
TransferMode choose_mode(TransferContext& ctx, std::string_view name, TransferMode mode) {
    if (!ctx.options.auto_mode || !ctx.transfer.request.automatic_mode) return mode;
    mode = is_ascii_name(ctx, name) ? TransferMode::Ascii : TransferMode::Binary;
    set_mode(ctx, mode);
    return mode;
}

}  // namespace

void quote_argument(std::string& command) {
    const auto word_end = command.find(' ');
    if (word_end == std::string::npos) return;
    auto rest = command.find_first_not_of(' ', word_end);
    if (rest == std::string::npos) rest = command.size();
    std::string quoted = command.substr(0, rest);
    quoted += '\'';
    quoted += command.substr(rest);
    quoted += '\'';
    command = std::move(quoted);
}

TransferOutcome get_file(TransferContext& ctx, std::string& command,
                         const std::string& local_path, TransferMode mode,
                         const TransferRequest& request) {
    ctx.reply.code = 0;
    const TransferRequest previous = std::exchange(ctx.transfer.request, request);
    struct Restore {
        TransferState& t;
        TransferRequest previous;
        ~Restore() { t.request = previous; }
    } restore{ctx.transfer, previous};
    if (refused_checks(ctx) || refused_command(ctx, command)) return refused();
    mode = choose_mode(ctx, command, mode);
    send_type(ctx, mode);
    ctx.transfer.expected_size = 0;
    Job job{Direction::Get, command, &local_path, -1, 0, false, {}};
    return transfer(ctx, job);
}

TransferOutcome put_file(TransferContext& ctx, std::string& command,
                         const std::string& local_path, TransferMode mode) {
    ctx.reply.code = 0;
    if (refused_checks(ctx) || refused_command(ctx, command)) return refused();
    mode = choose_mode(ctx, local_path, mode);
    send_type(ctx, mode);
    if (ctx.options.send_unique == 1 && command.starts_with("STOR")) command[3] = 'U';
    Job job{Direction::Put, command, &local_path, -1, 0, false, {}};
    return transfer(ctx, job);
}

TransferOutcome restart_get(TransferContext& ctx, int file,
                            const std::string& remote_dir, const std::string& remote_name,
                            std::int64_t offset) {
    ctx.reply.code = 0;
    std::string command = "RETR " + join_remote_path(ctx, remote_dir, remote_name);
    if (refused_checks(ctx) || refused_command(ctx, command)) return refused();
    set_mode(ctx, TransferMode::Binary);
    send_type(ctx, TransferMode::Binary);
    Job job{Direction::Get, command, nullptr, file, offset, true, {}};
    // REST goes out right before the transfer command, on whichever connection is used.
    job.before_command = [&] {
        if (!send_command(ctx, "REST %lld", static_cast<long long>(job.offset)).intermediate()) {
            (void)::lseek(file, 0, SEEK_SET);
            ctx.messages.print_message("Cannot restart at requested location, starting over.");
            job.offset = 0;
        }
    };
    return transfer(ctx, job);
}

int download_one(TransferContext& ctx, const std::string& remote_name, unsigned index,
                 unsigned count, bool prompt) {
    std::string local_name = cut_to(make_local_name(ctx, remote_name), 255);
    if (prompt) {
        ctx.prompts.set_help_context(help_file_name);
        if (!ctx.prompts.ask_text(&local_name, "Enter local file name for %s:", remote_name.c_str())) {
            ctx.messages.print_message("cancelled");
            return 2;
        }
    }
    ctx.transfer.expected_size = 0;
    ctx.messages.print_message("receiving %s as %s (%u of %u)", remote_name.c_str(),
                               local_name.c_str(), index, count);
    std::string command = "RETR " + remote_name;
    const std::string remote_dir = ctx.current_remote_dir;
    // No restart record for a name that can never be fetched.
    if (chosen_mode(ctx) == TransferMode::Binary && !holds_line_break(command)) {
        save_restart_record(ctx, ctx.session.name, remote_dir, remote_name, local_name);
    }
    const std::string local_path = local_file_path(ctx, local_name);
    const TransferOutcome outcome = get_file(ctx, command, local_path, chosen_mode(ctx));
    if (outcome.complete()) {
        clear_restart_record(ctx, ctx.session.name);
        (void)apply_remote_time(ctx, remote_name, local_path);
        if (ctx.settings.log_transfers) {
            append_transfer_log(ctx, {TransferDirection::Download,
                                      static_cast<TransferMode>(ctx.control.state().current_type), local_name,
                                      ctx.session.name, remote_dir, remote_name});
        }
    }
    return transfer_result(outcome);
}

int upload_one(TransferContext& ctx, const std::string& local_name, unsigned index,
               unsigned count, bool prompt) {
    // Only "/" separates folders here: a backslash is an ordinary character of a file name.
    const auto slash = local_name.rfind('/');
    std::string remote_name =
        cut_to(slash == std::string::npos ? local_name : local_name.substr(slash + 1), 143);
    (void)convert_extension(ctx, remote_name, ConvertDirection::Upload);
    if (prompt) {
        ctx.prompts.set_help_context(help_file_name);
        if (!ctx.prompts.ask_text(&remote_name, "Enter remote file name for %s:", local_name.c_str())) {
            ctx.messages.print_message("cancelled");
            return 2;
        }
    }
    std::string command = "STOR " + remote_name;
    ctx.messages.print_message("sending %s as %s (%u of %u)", local_name.c_str(),
                               remote_name.c_str(), index, count);
    const TransferOutcome outcome = put_file(ctx, command,
                                             local_file_path(ctx, local_name), chosen_mode(ctx));
    // Only a file the server confirmed whole is logged as sent.
    if (outcome.complete() && ctx.settings.log_transfers) {
        append_transfer_log(ctx, {TransferDirection::Upload,
                                  static_cast<TransferMode>(ctx.control.state().current_type), local_name,
                                  ctx.session.host, ctx.current_remote_dir, remote_name});
    }
    return transfer_result(outcome);
}

}  // namespace varnix
