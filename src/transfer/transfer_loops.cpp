// The send and receive loops, with ASCII line-end conversion at the local file: the wire
// carries CR LF, a local text file LF.
#include "transfer/transfer_loops.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include "net/control_connection.h"
#include "net/data_connection.h"
#include "platform/file_handle.h"
#include "platform/blocking.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"
#include "platform/stream.h"
#include "transfer/progress.h"
#include "transfer/sounds.h"

namespace varnix {

namespace {

constexpr auto min_chunk = static_cast<std::size_t>(transfer_buffer_limits::smallest);
constexpr auto max_chunk = static_cast<std::size_t>(transfer_buffer_limits::largest);
constexpr int status_throttle_ms = 500;
constexpr int events_per_chunk = 16;

std::size_t clamp_chunk(int value) {
    if (value < static_cast<int>(min_chunk)) return min_chunk;
    return static_cast<std::size_t>(value) > max_chunk ? max_chunk : static_cast<std::size_t>(value);
}

// Keeps the window live between chunks (the Cancel button among it).
void pump_events() {
    for (int i = 0; i < events_per_chunk && run_blocking_hook(); ++i) {
    }
}

void ensure_buffers(TransferState& t, std::size_t chunk) {
    if (t.io_buffer.size() < chunk) t.io_buffer.resize(chunk);
    if (t.convert_buffer.size() < 2 * chunk) t.convert_buffer.resize(2 * chunk);
}

// A data wait that ran out of the session's time-out ends like the time-out timer's cancel.
void timed_out_as_cancel(TransferContext& ctx) {
    ctx.messages.print_message("Timer cancelled blocking call");
    set_last_socket_error(wsa::cancelled);
}

// Waits for data at most the session's time-out, then receives once.
ssize_t receive_chunk(TransferContext& ctx, Stream& stream, char* data, std::size_t length) {
    const ssize_t n = stream.read(data, length, data_timeout_ms(ctx));
    if (n < 0 && last_socket_error() == wsa::timed_out) {
        timed_out_as_cancel(ctx);
        ctx.cancel_requested = true;
    }
    return n;
}

// Sends all bytes, each wait bounded by the session's time-out; false after reporting "send".
bool send_chunk(TransferContext& ctx, Stream& stream, const char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = stream.write(data + sent, length - sent, data_timeout_ms(ctx));
        if (n < 0) {
            if (last_socket_error() == wsa::timed_out) timed_out_as_cancel(ctx);
            report_socket_error(ctx, "send", last_socket_error());
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}


// CR LF from the wire becomes LF; a CR at the end of a chunk waits for the next byte.
class AsciiDecoder {
public:
    // Converts in place; returns the new length. A held CR is written before the chunk.
    std::size_t decode(char* data, std::size_t length, bool& emit_held_cr) {
        emit_held_cr = false;
        std::size_t out = 0;
        std::size_t i = 0;
        if (held_cr_ && length > 0) {
            held_cr_ = false;
            if (data[0] == '\n') {
                data[out++] = '\n';
                i = 1;
            } else {
                emit_held_cr = true;
            }
        }
        for (; i < length; ++i) {
            if (data[i] == '\r') {
                if (i + 1 == length) {
                    held_cr_ = true;
                    break;
                }
                if (data[i + 1] == '\n') continue;
            }
            data[out++] = data[i];
        }
        return out;
    }
    [[nodiscard]] bool holds_cr() const { return held_cr_; }

private:
    bool held_cr_ = false;
};

// A bare LF becomes CR LF; an existing CR LF is left alone.
std::size_t encode_ascii(const char* in, std::size_t length, char* out, bool& last_was_cr) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (in[i] == '\n' && !last_was_cr) out[n++] = '\r';
        out[n++] = in[i];
        last_was_cr = in[i] == '\r';
    }
    return n;
}

struct ReceiveOutcome {
    std::int64_t count;
    ssize_t last;          // the last recv: 0 orderly close, -1 error, >0 stopped by cancel
    bool wrote_any;
    bool write_failed = false;
};

// The receive loop shared by both receive entries.
ReceiveOutcome receive_into(TransferContext& ctx, int file, std::int64_t count,
                            std::int64_t start_tick) {
    Stream& stream = ctx.data.stream();
    TransferState& t = ctx.transfer;
    const std::size_t chunk = receive_chunk_size(ctx);
    ensure_buffers(t, chunk);
    const bool ascii = ctx.control.state().current_type == 'A';
    AsciiDecoder decoder;
    ReceiveOutcome outcome{count, 1, false};
    while (!ctx.cancel_requested) {
        outcome.last = receive_chunk(ctx, stream, t.io_buffer.data(), chunk);
        if (outcome.last <= 0) break;
        std::size_t length = static_cast<std::size_t>(outcome.last);
        bool held_cr = false;
        if (ascii) length = decoder.decode(t.io_buffer.data(), length, held_cr);
        const bool written = file >= 0 && (!held_cr || write_all(file, "\r", 1)) &&
                             write_all(file, t.io_buffer.data(), length);
        if (!written) {
            ctx.cancel_requested = true;
            outcome.write_failed = file >= 0;
            ctx.messages.print_message("File error on WRITE! Aborted");
            break;
        }
        outcome.wrote_any = true;
        outcome.count += outcome.last;
        show_transfer_status(ctx, outcome.count, start_tick, tick_count(), t.expected_size);
        pump_events();
    }
    // A lone CR at the very end of a text is kept.
    if (ascii && decoder.holds_cr() && file >= 0) (void)write_all(file, "\r", 1);
    return outcome;
}

// How a receive ended, before any completion reply: the data arrived whole (the server
// closed normally, even with nothing sent), or why it did not.
TransferOutcome receive_outcome(const TransferContext& ctx, const ReceiveOutcome& r,
                                std::int64_t start_offset, bool file_open) {
    TransferOutcome outcome;
    outcome.bytes = r.count - start_offset;
    if (!file_open || r.write_failed) {
        outcome.status = TransferStatus::LocalError;
    } else if (r.last == 0 && !ctx.cancel_requested) {
        outcome.status = TransferStatus::Complete;
        outcome.data_whole = true;
    } else if (ctx.cancel_requested || last_socket_error() == wsa::cancelled) {
        outcome.status = TransferStatus::Cancelled;
    } else {
        outcome.status = TransferStatus::CutShort;
    }
    return outcome;
}

// Frame of the receive loops after the bytes moved: error report, summary, abort.
TransferOutcome finish_receive(TransferContext& ctx, const ReceiveOutcome& r, std::int64_t start_offset,
                               std::int64_t start_tick, bool file_open, const char* error_name,
                               bool shut_down_on_cancel) {
    const std::int64_t end_tick = tick_count();
    if (r.last < 0) report_socket_error(ctx, error_name, last_socket_error());
    TransferOutcome outcome = receive_outcome(ctx, r, start_offset, file_open);
    if (r.last < 0 && r.count <= start_offset) {
        play_event_sound_if_enabled(ctx, SoundEvent::Error);
        return outcome;
    }
    // A receive that ended in an error is no success, whatever it brought.
    report_transfer_summary(ctx, "Received", r.count, start_tick, end_tick,
                            !file_open || ctx.cancel_requested || outcome.status != TransferStatus::Complete);
    if (ctx.cancel_requested) {
        if (shut_down_on_cancel) ctx.data.stream().shutdown(ShutdownHow::Read);
        ctx.messages.print_message("You MAY have to press Cancel and/or Close this connection.");
        // The abort's replies stand for the completion reply: none follows them.
        outcome.reply_class = abort_transfer(ctx).cls;
        outcome.completion_read = true;
    }
    return outcome;
}

TransferOutcome refused_loop() { return TransferOutcome{TransferStatus::ServerRefused, 0, ReplyClass::None, false}; }

}  // namespace

std::size_t receive_chunk_size(const TransferContext& ctx) { return clamp_chunk(ctx.settings.receive_chunk_bytes); }

std::size_t send_chunk_size(const TransferContext& ctx) { return clamp_chunk(ctx.settings.send_chunk_bytes); }

Rate transfer_rate(std::int64_t bytes, double secs, bool bytes_per_second) {
    if (bytes_per_second) {
        Rate r{static_cast<double>(bytes) / secs, "Bps"};
        if (r.value > 1024) r = {r.value / 1024, "KBps"};
        if (r.value > 1024 && r.unit[0] == 'K') r = {r.value / 1024, "MBps"};
        return r;
    }
    if (bytes <= 100000) {
        Rate r{static_cast<double>(bytes * 10) / secs, "bps"};
        if (r.value > 10000) {
            r = {static_cast<double>((bytes * 10) / 1024) / secs, "Kbps"};
            if (r.value > 1024) r = {static_cast<double>(bytes / 102) / secs / 1024, "Mbps"};
        }
        return r;
    }
    Rate r{static_cast<double>(bytes / 102) / secs, "Kbps"};
    if (r.value > 1024) r = {r.value / 1024, "Mbps"};
    return r;
}

void show_transfer_status(TransferContext& ctx, std::int64_t bytes, std::int64_t start_tick,
                          std::int64_t now_tick, std::int64_t total) {
    if (!ctx.transfer.progress) return;
    if (bytes == 0) {
        set_status_field(ctx, "");
        return;
    }
    char text[160];
    if (!shows_transfer_dialog(ctx)) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(bytes));
        set_status_field(ctx, text);
        return;
    }
    TransferState& t = ctx.transfer;
    if (now_tick - t.last_status_tick < status_throttle_ms) return;
    t.last_status_tick = now_tick;
    double elapsed = static_cast<double>(now_tick - start_tick);
    if (elapsed <= 100) elapsed = 100;
    const double secs = elapsed / 1000;
    const Rate rate = transfer_rate(bytes, secs, ctx.settings.rates_in_bytes == 1);
    int n = std::snprintf(text, sizeof text, "%lld : %.2f %s", static_cast<long long>(bytes),
                          rate.value, rate.unit);
    const auto whole = static_cast<long long>(secs);
    if (whole > 0 && n > 0) {
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " : %lld:%02lld",
                           whole / 60, whole % 60);
    }
    if (total > 0 && total - bytes > 0 && elapsed > 1000 && n > 0) {
        const auto left = static_cast<long long>(static_cast<double>(total - bytes) /
                                                 (static_cast<double>(bytes) / secs));
        if (left > 0) {
            std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " : %lld:%02lld",
                          left / 60, left % 60);
        }
    }
    set_status_field(ctx, text);
}

void report_transfer_summary(TransferContext& ctx, const char* verb, std::int64_t bytes,
                             std::int64_t start_tick, std::int64_t end_tick, bool failed) {
    double elapsed = static_cast<double>(end_tick - start_tick);
    if (elapsed < 100) elapsed = 100;
    const double secs = elapsed / 1000;
    const Rate rate = transfer_rate(bytes, secs, ctx.settings.rates_in_bytes == 1);
    ctx.messages.print_message("%s %lld bytes in %.1lf secs, (%.2f %s), transfer %s", verb,
                               static_cast<long long>(bytes), secs, rate.value, rate.unit,
                               failed ? "failed" : "succeeded");
    ctx.transfer.expected_size = 0;
}

TransferOutcome send_file_data(TransferContext& ctx, const std::string& local_path) {
    if (!ctx.data.is_open() || !ctx.connected) return refused_loop();
    TransferState& t = ctx.transfer;
    struct stat st {};
    const bool sized = ::stat(local_path.c_str(), &st) == 0;
    char caption[600];
    const char* kind = ctx.control.state().current_type == 'A' ? "ASCII" : "BINARY";
    if (sized) {
        std::snprintf(caption, sizeof caption, "Sending %s file %s (%lld bytes)", kind,
                      local_path.c_str(), static_cast<long long>(st.st_size));
    } else {
        std::snprintf(caption, sizeof caption, "Sending %s file %s", kind, local_path.c_str());
    }
    t.progress_caption = caption;
    BusyScope busy(ctx);
    ctx.cancel_requested = false;
    open_progress_display(ctx, ProgressMode::Sending);
    show_transfer_status(ctx, 0, 0, 0, 0);
    const std::int64_t start_tick = tick_count();
    (void)sock_set_int_option(ctx.data.descriptor(), IPPROTO_TCP, TCP_NODELAY, 1);
    const int file = ::open(local_path.c_str(), O_RDONLY | O_CLOEXEC);
    TransferOutcome outcome{TransferStatus::LocalError, 0, ReplyClass::None, false};
    if (file < 0) {
        char message[600];
        std::snprintf(message, sizeof message, "failed to open file %s (%u)", local_path.c_str(),
                      static_cast<unsigned>(errno));
        ctx.messages.add_message_line(message);
        play_event_sound_if_enabled(ctx, SoundEvent::Error);
        if (ctx.messages.batch()) (void)show_message_box(ctx.services, message, "VARNIX", 0x30);
    } else {
        const std::size_t chunk = send_chunk_size(ctx);
        ensure_buffers(t, chunk);
        const bool ascii = ctx.control.state().current_type == 'A';
        Stream& stream = ctx.data.stream();
        bool last_was_cr = false;
        bool read_failed = false;
        bool send_failed = false;
        std::int64_t count = 0;
        while (!ctx.cancel_requested) {
            const ssize_t n = ::read(file, t.io_buffer.data(), chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                // A read error is no end of file: what was sent is not the whole file.
                ctx.messages.print_message("File error on READ! Aborted (%u)", static_cast<unsigned>(errno));
                read_failed = true;
                break;
            }
            if (n == 0) break;
            const char* out = t.io_buffer.data();
            std::size_t length = static_cast<std::size_t>(n);
            if (ascii) {
                length = encode_ascii(out, length, t.convert_buffer.data(), last_was_cr);
                out = t.convert_buffer.data();
            }
            if (!send_chunk(ctx, stream, out, length)) {
                send_failed = last_socket_error() != wsa::cancelled;
                ctx.cancel_requested = true;
                break;
            }
            count += n;
            show_transfer_status(ctx, count, start_tick, tick_count(), sized ? st.st_size : 0);
            pump_events();
        }
        ::close(file);
        report_transfer_summary(ctx, "Transmitted", count, start_tick, tick_count(),
                                ctx.cancel_requested || read_failed);
        outcome.bytes = count;
        if (read_failed) {
            outcome.status = TransferStatus::LocalError;
        } else if (send_failed) {
            outcome.status = TransferStatus::CutShort;
        } else if (ctx.cancel_requested) {
            outcome.status = TransferStatus::Cancelled;
        } else {
            outcome.status = TransferStatus::Complete;
            outcome.data_whole = true;
        }
    }
    show_transfer_status(ctx, 0, 0, 0, 0);
    close_progress_display(ctx);
    return outcome;
}

TransferOutcome receive_file_data(TransferContext& ctx, const std::string& local_path) {
    if (!ctx.data.is_open() || !ctx.connected) return refused_loop();
    BusyScope busy(ctx);
    ctx.cancel_requested = false;
    open_progress_display(ctx, ProgressMode::Receiving);
    show_transfer_status(ctx, 0, 0, 0, 0);
    const std::int64_t start_tick = tick_count();
    stop_timeout(ctx);
    const int file = ::open(local_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) {
        ctx.messages.print_message("failed to open file %s (%u)", local_path.c_str(),
                                   static_cast<unsigned>(errno));
    }
    const ReceiveOutcome r = receive_into(ctx, file, 0, start_tick);
    if (file >= 0) ::close(file);
    const TransferOutcome result = finish_receive(ctx, r, 0, start_tick, file >= 0, "recv", true);
    show_transfer_status(ctx, 0, 0, 0, 0);
    close_progress_display(ctx);
    return result;
}

TransferOutcome receive_file_data_at(TransferContext& ctx, int file, std::int64_t start_offset) {
    if (!ctx.data.is_open() || !ctx.connected) return refused_loop();
    BusyScope busy(ctx);
    ctx.cancel_requested = false;
    open_progress_display(ctx, ProgressMode::Receiving);
    show_transfer_status(ctx, 0, 0, 0, 0);
    const std::int64_t start_tick = tick_count();
    const ReceiveOutcome r = receive_into(ctx, file, start_offset, start_tick);
    const TransferOutcome result =
        finish_receive(ctx, r, start_offset, start_tick, file >= 0, "Receive error", false);
    show_transfer_status(ctx, 0, 0, 0, 0);
    close_progress_display(ctx);
    return result;
}

}  // namespace varnix
