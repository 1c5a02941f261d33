// The TCP control connection: connecting, reading one reply line and one whole reply,
// sending command lines with their echo, the time-out timer, closing sockets and the socket
// error texts. Every command goes out through send_line and every reply comes in through
// read_reply_line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/command_reply.h"
#include "net/net_context.h"
#include "platform/stream.h"

namespace varnix {

// The longest command line that is sent (the command buffer held 292 bytes with its NUL).
inline constexpr std::size_t max_command_line = 291;
inline constexpr std::size_t max_reply_line = 942;
inline constexpr std::size_t reply_recv_chunk = 82;
// The most lines and bytes one reply may have; a longer one is given up like a lost connection.
inline constexpr int max_reply_lines = 100000;
inline constexpr std::size_t max_reply_bytes = 4 * 1024 * 1024;
// However slowly its lines come, one reply may take this long at most (or four time-outs,
// when that is longer); with the time-out off there is no limit.
inline constexpr int min_reply_deadline_ms = 120000;

// The bounds every reader of a reply keeps (read_reply and the host-type probe's HELP): a
// line count, a byte total, the time-out between line ends and an overall deadline, so a
// server that keeps talking cannot hold the program.
class ReplyBounds {
public:
    explicit ReplyBounds(const NetContext& ctx);
    // After each line read (ctx.reply.text): false once a bound is passed, or when the read
    // was cancelled; a passed bound prints why and sets cancel_requested.
    [[nodiscard]] bool accept_line(NetContext& ctx);

private:
    int lines_ = 0;
    std::size_t bytes_ = 0;
    std::int64_t started_;
    std::int64_t last_line_end_;
    int line_limit_ms_;
    int reply_limit_ms_;
};

// A connected socket, or -1.
[[nodiscard]] int connect_host(NetContext& ctx, const std::string& host, unsigned port,
                               const std::string& protocol);

// Makes a connected socket the control connection, with a fresh state (no unread
// remainder, no reply code, TYPE 'A'): nothing of an earlier connection is read as this one's.
void open_control(NetContext& ctx, int socket);

// The code of one line of the control connection (421 on loss or cancel, 0 when it is
// closed); fills ctx.reply.text.
[[nodiscard]] int read_reply_line(NetContext& ctx);
// Reads one whole reply, echoing every line (also left in ctx.reply); class None when there
// is no connection. Every read starts with no reply code, so a code left from an earlier
// reply cannot keep it open.
CommandReply read_reply(NetContext& ctx);

// Whether text holds CR, LF or NUL: such a line is never sent.
[[nodiscard]] bool holds_line_break(std::string_view text);

// Sends text + CR LF (trailing blanks, tabs, CR and LF of `text` are stripped in place).
// The bytes sent, or -1 when the control connection is closed, the line was refused or the
// wait was cancelled.
int send_line(NetContext& ctx, std::string& text);
// Formats, echoes (passwords and accounts hidden), sends and reads the reply; class None
// when nothing was sent.
CommandReply send_command(NetContext& ctx, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// The same for a ready-made line, sent as it stands ("%" is safe).
CommandReply send_command_text(NetContext& ctx, std::string_view text);

// Sends until all bytes are gone or a send fails; the count sent.
int send_all(NetContext& ctx, Stream& stream, const char* data, std::size_t length);
// Sends until all bytes are gone; the count, or -1 when a send fails.
[[nodiscard]] int send_data(NetContext& ctx, Stream& stream, const char* data, std::size_t length);

// Forgets the pending remainder and discards at most 82 bytes already waiting on the control
// connection.
void drain_control(NetContext& ctx);

// The Cancel command: stops the exchange in progress (and a multi-file operation), cancels
// the calling thread's blocking call and forgets what already waits on the control socket.
void cancel_command(NetContext& ctx);

// Closing a connection: "[n] Socket closed." (or the close error). The control connection's
// state goes with it (and the reply code). Each first cancels a blocking call in progress on
// the calling thread, except close_data_plain (the transfer's own close after its loop).
void close_control(NetContext& ctx);
void close_data(NetContext& ctx);
void close_data_plain(NetContext& ctx);
void close_listener(NetContext& ctx);

// Starts the time-out timer (id 20, 5-second ticks) from the session's TIMEOUT;
// stop_timeout kills it.
void arm_timeout(NetContext& ctx);
void stop_timeout(NetContext& ctx);

// Prints "%s: %s" (operation, error text), or the text alone when operation is empty.
void report_socket_error(NetContext& ctx, std::string_view operation, int code);

// Installs the blocking hook of the services for the calling thread; `also` runs after the
// services' own work in each call (true when it did something).
void install_blocking_hook(NetContext& ctx, BlockingHook also = {});

void set_transfer_thread_busy(NetContext& ctx, int flag);
[[nodiscard]] int is_transfer_thread_busy(NetContext& ctx);

// Counts one command send, reply read or transfer in busy_count for its lifetime.
class BusyScope {
public:
    explicit BusyScope(NetContext& ctx);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    // Whether the calling thread itself holds busy_count (a nested call would wait forever).
    [[nodiscard]] static bool held_by_this_thread();

private:
    NetContext& ctx_;
};

}  // namespace varnix
