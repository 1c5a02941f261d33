// The control connection: line and reply reading, command sending with echo, the time-out
// timer, closing, and socket error reports.
#include "net/control_connection.h"
#include "net/tls_logon.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <vector>

#include "net/extended_address.h"
#include "net/host_types.h"
#include "net/worker.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"
#include "platform/stream.h"

namespace varnix {

namespace {

thread_local int busy_held_here = 0;

void print_socket_error(NetContext& ctx, const char* operation) {
    report_socket_error(ctx, operation, last_socket_error());
}

// The number in the first three characters: leading blanks skipped, 0 when there is none.
int leading_code(std::string_view line) {
    line = line.substr(0, 3);
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
    int value = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) value = value * 10 + (line[i] - '0');
    return negative ? -value : value;
}

void strip_trailing_space(std::string& text) {
    std::size_t end = text.size();
    while (end > 0) {
        const char c = text[end - 1];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
        --end;
    }
    text.resize(end);
}

// The echo of a command line: passwords and accounts are never shown.
std::string echo_text(std::string_view line) {
    if (line.starts_with("PASS ")) return "PASS (hidden)";
    if (line.starts_with("ACCT ")) return "ACCT (hidden)";
    return std::string(line);
}

bool looks_dotted(const std::string& host) {
    if (host.empty() || !std::isdigit(static_cast<unsigned char>(host[0]))) return false;
    const auto dot = host.find('.');
    return dot != std::string::npos && dot + 1 < host.size() &&
           std::isdigit(static_cast<unsigned char>(host[dot + 1]));
}

sockaddr_storage ipv4_storage(in_addr address) {
    sockaddr_storage storage{};
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    v4.sin_family = AF_INET;
    v4.sin_addr = address;
    return storage;
}

// Every address to try for `host`, in turn: a dotted IPv4 address or an IPv6 literal ("::1",
// "[::1]") as it stands, else what the resolver gives for the name, IPv6 and IPv4 in its
// order of preference; a name it does not know is still read as inet_addr would.
std::vector<sockaddr_storage> host_addresses(NetContext& ctx, const std::string& host) {
    std::vector<sockaddr_storage> addresses;
    if (looks_dotted(host)) {
        if (const auto v4 = parse_dotted(host)) addresses.push_back(ipv4_storage(*v4));
    } else if (const auto literal = parse_numeric_address(host); literal && literal->ss_family == AF_INET6) {
        addresses.push_back(*literal);
    } else {
        addresses = resolve_addresses(host);
        if (addresses.empty()) {
            if (const auto v4 = parse_dotted(host)) addresses.push_back(ipv4_storage(*v4));
        }
    }
    if (addresses.empty()) ctx.messages.print_message("can't get \"%s\" host entry", host.c_str());
    return addresses;
}

bool known_protocol(const std::string& protocol) {
    if (strcasecmp(protocol.c_str(), "tcp") == 0 || strcasecmp(protocol.c_str(), "udp") == 0) {
        return true;
    }
    return ::getprotobyname(protocol.c_str()) != nullptr;
}

void on_timeout_tick(NetContext& ctx) {
    unsigned count = ctx.timeout.count.load();
    if (count == 0) return;
    ctx.timeout.count.store(--count);
    if (count != 0) return;
    if (ctx.services.timers) ctx.services.timers->stop_timer(timeout_timer_id);
    std::shared_ptr<BlockingState> target;
    {
        std::lock_guard lock(ctx.timeout.mutex);
        target = ctx.timeout.armed_by;
    }
    if (target && target->is_blocking()) {
        ctx.messages.print_message("Timer cancelled blocking call");
        ctx.cancel_requested = true;
        target->cancel();
    }
}

// Where a line ends in `bytes`: its LF, or a NUL, which ends it too but is not part of it.
std::size_t line_end(std::string_view bytes) {
    return bytes.find_first_of(std::string_view("\0\n", 2));
}

// Takes `bytes` into the line up to its end; the bytes after the end go to the remainder.
// True when the line is complete.
bool take_bytes(std::string& line, std::string_view bytes, std::string& remainder) {
    const auto end = line_end(bytes);
    if (end == std::string_view::npos) {
        line.append(bytes);
        return false;
    }
    line.append(bytes.substr(0, bytes[end] == '\n' ? end + 1 : end));
    remainder.assign(bytes.substr(end + 1));
    return true;
}

// Copies a pending line out of the remainder; true when it held a whole line.
bool take_pending_line(NetContext& ctx, std::string& line) {
    std::string& remainder = ctx.control.state().remainder;
    if (remainder.empty()) return false;
    const std::string pending = std::move(remainder);
    remainder.clear();
    return take_bytes(line, pending, remainder);
}

int effective_timeout_ms(const NetContext& ctx) {
    return timeout_limit_ms(ctx.session.timeout);
}

}  // namespace

// A command line must not hold a line break or NUL before its end: a name taken from a
// hostile listing would otherwise become a second command.
bool holds_line_break(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

BusyScope::BusyScope(NetContext& ctx) : ctx_(ctx) {
    const bool became_busy = ctx_.busy_count.fetch_add(1) == 0;
    ++busy_held_here;
    if (became_busy) post_window_event(ctx_.services.invoker, ctx_.events.on_busy_changed);
}

BusyScope::~BusyScope() {
    --busy_held_here;
    const bool became_idle = ctx_.busy_count.fetch_sub(1) == 1;
    if (became_idle) post_window_event(ctx_.services.invoker, ctx_.events.on_busy_changed);
}

bool BusyScope::held_by_this_thread() { return busy_held_here > 0; }

int connect_host(NetContext& ctx, const std::string& host, unsigned port,
                 const std::string& protocol) {
    ctx.messages.print_message("- -");
    std::vector<sockaddr_storage> addresses = host_addresses(ctx, host);
    if (addresses.empty()) return -1;
    if (!known_protocol(protocol)) {
        ctx.messages.print_message("can't get \"%s\" protocol entry", protocol.c_str());
        return -1;
    }
    // A host with several addresses (IPv6 and IPv4, or several of one) is tried at each in
    // turn, as a dual-stack server may listen on only one of them.
    for (sockaddr_storage& addr : addresses) {
        set_address_port(addr, port);
        const int fd = protocol == "udp" ? sock_create_datagram(addr.ss_family) : sock_create_stream(addr.ss_family);
        if (fd < 0) {
            ctx.messages.print_message("can't create socket - %s",
                                       socket_error_text(last_socket_error()).c_str());
            continue;
        }
        UniqueSocket socket(fd);
        (void)sock_set_int_option(fd, IPPROTO_TCP, TCP_NODELAY, 1);
        const std::string where = numeric_host(addr);
        ctx.messages.print_message("connecting to %s ...", where.c_str());
        // A port outside 1..65535 (a hand-edited PORT) would wrap to another port.
        if (port == 0 || port > 65535) set_last_socket_error(wsa::address_not_available);
        if (port == 0 || port > 65535 || sock_connect(fd, addr) < 0) {
            ctx.messages.print_message("can't connect to %s - %s", host.c_str(),
                                       socket_error_text(last_socket_error()).c_str());
            // The socket is closed on the way out: nothing else owns it. A cancel ends the
            // attempts; anything else goes on with the next address.
            if (last_socket_error() == wsa::cancelled) return -1;
            continue;
        }
        ctx.messages.print_message("Connected to %s port %u", where.c_str(), port);
        return socket.release();
    }
    return -1;
}

void open_control(NetContext& ctx, int socket) {
    ctx.control.open(std::make_unique<SocketStream>(socket));
    ctx.reply.code = 0;  // the text stays for messages about the connection that ended
}

int read_reply_line(NetContext& ctx) {
    if (!ctx.control.is_open()) return 0;
    ControlState& state = ctx.control.state();
    BusyScope busy(ctx);
    stop_timeout(ctx);
    ctx.cancel_requested = false;
    std::string& line = ctx.reply.text;
    line.clear();
    bool complete = take_pending_line(ctx, line);
    if (!complete) {
        char chunk[reply_recv_chunk];
        ssize_t received = 1;
        arm_timeout(ctx);
        while (line.size() < max_reply_line && !ctx.cancel_requested) {
            received = ctx.control.stream().read(chunk, sizeof chunk);
            if (received <= 0) break;
            stop_timeout(ctx);
            complete = take_bytes(line, std::string_view(chunk, static_cast<std::size_t>(received)),
                                  state.remainder);
            if (complete) break;
            arm_timeout(ctx);
        }
        stop_timeout(ctx);
        if (received <= 0) {
            if (received < 0) print_socket_error(ctx, "receive error");
            strip_trailing_space(line);
            ctx.cancel_requested = true;
            state.last_line_ended = false;
            return 421;
        }
    }
    state.last_line_ended = complete;
    int code = leading_code(line);
    if (ctx.cancel_requested) code = 421;
    strip_trailing_space(line);
    return code;
}

ReplyBounds::ReplyBounds(const NetContext& ctx)
    : started_(tick_count()), last_line_end_(started_), line_limit_ms_(effective_timeout_ms(ctx)) {
    reply_limit_ms_ = line_limit_ms_ < 0 ? -1 : std::max(min_reply_deadline_ms, 4 * line_limit_ms_);
}

bool ReplyBounds::accept_line(NetContext& ctx) {
    ++lines_;
    bytes_ += ctx.reply.text.size() + 2;  // with its line end
    if (ctx.cancel_requested) return false;
    const std::int64_t now = tick_count();
    const char* why = nullptr;
    if (lines_ > max_reply_lines || bytes_ > max_reply_bytes) {
        why = "reply too long";  // a reply that never ends, however fast its lines come
    } else if (reply_limit_ms_ >= 0 && now - started_ > reply_limit_ms_) {
        why = "reply too slow";  // lines that each come just within the time-out, forever
    } else if (ctx.control.state().last_line_ended) {
        last_line_end_ = now;
    } else if (line_limit_ms_ >= 0 && now - last_line_end_ > line_limit_ms_) {
        why = "no line end from server";  // bytes keep coming but never a line end
    }
    if (!why) return true;
    ctx.messages.print_message("receive error: %s", why);
    ctx.cancel_requested = true;
    return false;
}

CommandReply read_reply(NetContext& ctx) {
    if (!ctx.control.is_open()) return {};
    BusyScope busy(ctx);
    ctx.reply.code = 0;
    ctx.reply.lines.clear();
    ReplyBounds bounds(ctx);
    for (int depth = 1;; ++depth) {
        int code = read_reply_line(ctx);
        const std::string_view text = ctx.reply.text;
        ctx.reply.lines.emplace_back(text);
        bool continues = code < 100 || code > 599 || (text.size() > 3 && text[3] == '-');
        ctx.messages.add_message_line(text);
        if (!bounds.accept_line(ctx)) {
            code = 421;
            ctx.reply.code = 421;
            continues = false;
        }
        if ((depth == 1 || ctx.reply.code == 0) && code >= 100 && code <= 599) ctx.reply.code = code;
        if (ctx.control.state().greeting && ctx.session.host_type == host_type_automatic) {
            (void)detect_from_line(ctx, ctx.reply.text);
        }
        const bool foreign = depth > 1 && ctx.reply.code > 0 && code != ctx.reply.code;
        if (!continues && !foreign) break;
    }
    return CommandReply::read(ctx.reply.code, ctx.reply.text);
}

int send_line(NetContext& ctx, std::string& text) {
    if (!ctx.control.is_open()) return -1;
    if (ctx.busy_count != 0) {
        ctx.messages.print_message("[x] cmd in progress, yielding");
        // The command in progress may be our own caller further up this thread's stack
        // (re-entered through the blocking hook): waiting for it would never end. And the
        // GUI thread never waits for the worker: its command is refused instead.
        if (BusyScope::held_by_this_thread() || on_gui_thread(ctx)) return -1;
        // The worker waits for the GUI thread's exchange, in cancellable slices.
        const WaitResult waited =
            wait_until([&ctx] { return ctx.busy_count == 0 || ctx.cancel_requested; });
        if (waited != WaitResult::Ready || ctx.cancel_requested) return -1;
    }
    strip_trailing_space(text);
    if (holds_line_break(text)) {
        ctx.messages.print_message("Command not sent: it holds a line break or NUL");
        return -1;
    }
    BusyScope busy(ctx);
    std::string line = text;
    line += "\r\n";
    ctx.last_command_tick = tick_count();
    return send_all(ctx, ctx.control.stream(), line.data(), line.size());
}

CommandReply send_command_text(NetContext& ctx, std::string_view text) {
    ctx.reply.code = 0;
    if (text.size() > max_command_line) {
        ctx.messages.print_message("Command not sent: longer than %u characters",
                                   static_cast<unsigned>(max_command_line));
        return {};
    }
    std::string line(text);
    // Only trailing line ends may go (send_line strips them); inside, they would split it.
    std::string check = line;
    strip_trailing_space(check);
    if (holds_line_break(check)) {
        ctx.messages.print_message("Command not sent: it holds a line break or NUL");
        return {};
    }
    ctx.messages.add_message_line(echo_text(line));
    if (!ctx.control.is_open()) {
        ctx.messages.print_message("Not connected");
        return {};
    }
    if (send_line(ctx, line) == -1) return {};
    return read_reply(ctx);
}

CommandReply send_command(NetContext& ctx, const char* format, ...) {
    ctx.reply.code = 0;
    va_list args;
    va_start(args, format);
    char buffer[max_command_line + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) > max_command_line) {
        ctx.messages.print_message("Command not sent: longer than %u characters",
                                   static_cast<unsigned>(max_command_line));
        return {};
    }
    return send_command_text(ctx, std::string_view(buffer, static_cast<std::size_t>(n)));
}

int send_all(NetContext& ctx, Stream& stream, const char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = stream.write(data + sent, length - sent);
        if (n < 0) {
            print_socket_error(ctx, "send");
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    return static_cast<int>(sent);
}

int send_data(NetContext& ctx, Stream& stream, const char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = stream.write(data + sent, length - sent);
        if (n < 0) {
            print_socket_error(ctx, "send");
            return -1;
        }
        sent += static_cast<std::size_t>(n);
    }
    return static_cast<int>(sent);
}

void drain_control(NetContext& ctx) {
    ctx.control.state().remainder.clear();
    if (!ctx.control.is_open()) return;
    Stream& stream = ctx.control.stream();
    if (!stream.readable_now()) return;
    char discard[reply_recv_chunk];
    (void)stream.read_available(discard, sizeof discard);
}

void cancel_command(NetContext& ctx) {
    ctx.cancel_requested = true;
    ctx.stop_requested = true;
    // While a worker runs, the exchange is the worker's: end its wait, and leave its
    // connection to it (draining here would race its reader).
    if (cancel_worker(ctx)) return;
    if (is_blocking()) cancel_blocking_call();
    drain_control(ctx);
}

namespace {

void cancel_blocking_call_for_close(NetContext& ctx, int descriptor) {
    if (!is_blocking()) return;
    ctx.messages.print_message("[%u] Cancelled blocking call", static_cast<unsigned>(descriptor));
    cancel_blocking_call();
    ctx.cancel_requested = true;
}

// Closes one connection's stream with the program's usual report of it.
template <typename Connection>
void close_reported(NetContext& ctx, Connection& connection, bool cancel_first) {
    if (!connection.is_open()) return;
    const int descriptor = connection.descriptor();
    if (cancel_first) cancel_blocking_call_for_close(ctx, descriptor);
    if (connection.close() < 0) {
        print_socket_error(ctx, "closesocket");
        ctx.messages.print_message("[%u] Failed to close socket.", static_cast<unsigned>(descriptor));
    } else {
        ctx.messages.print_message("[%u] Socket closed.", static_cast<unsigned>(descriptor));
    }
}

}  // namespace

void close_control(NetContext& ctx) {
    close_reported(ctx, ctx.control, true);
    ctx.reply.code = 0;  // the text stays for messages about the connection that ended
}

void close_data(NetContext& ctx) { close_reported(ctx, ctx.data, true); }

void close_data_plain(NetContext& ctx) {
    settle_data_tls(ctx);
    close_reported(ctx, ctx.data, false);
}

void close_listener(NetContext& ctx) { close_reported(ctx, ctx.data.listener, true); }

void arm_timeout(NetContext& ctx) {
    const int timeout = clamp_timeout(ctx.session.timeout);
    const unsigned count = timeout >= 5 ? static_cast<unsigned>(timeout / 5) : 0;
    ctx.timeout.count = count;
    {
        std::lock_guard lock(ctx.timeout.mutex);
        ctx.timeout.armed_by = this_thread_blocking_state();
    }
    // Below 5 seconds the count is 0: the time-out is off.
    if (count == 0 || !ctx.services.timers) return;
    ctx.services.timers->start_timer(timeout_timer_id, timeout_tick_ms,
                                     [&ctx] { on_timeout_tick(ctx); });
}

void stop_timeout(NetContext& ctx) {
    if (ctx.services.timers) ctx.services.timers->stop_timer(timeout_timer_id);
}

void report_socket_error(NetContext& ctx, std::string_view operation, int code) {
    const std::string text = socket_error_text(code);
    if (operation.empty()) {
        ctx.messages.add_message_line(text);
    } else {
        ctx.messages.print_message("%.*s: %s", static_cast<int>(operation.size()),
                                   operation.data(), text.c_str());
    }
}

void install_blocking_hook(NetContext& ctx, BlockingHook also) {
    ignore_sigpipe();
    TimerService* timers = ctx.services.timers;
    UiInvoker* invoker = ctx.services.invoker;
    install_thread_blocking_hook([timers, invoker, also = std::move(also)] {
        bool ran = timers && timers->process_events();
        // Calls the worker queued for the GUI thread (an invoker with its own event loop
        // has them run by process_events already).
        if (invoker && invoker->run_pending()) ran = true;
        if (also && also()) ran = true;
        return ran;
    });
}

void set_transfer_thread_busy(NetContext& ctx, int flag) {
    bool changed;
    {
        std::lock_guard lock(ctx.transfer_busy_mutex);
        changed = ctx.transfer_thread_busy != flag;
        ctx.transfer_thread_busy = flag;
    }
    // After the lock: the window's handler reads the flag back.
    if (changed) post_window_event(ctx.services.invoker, ctx.events.on_busy_changed);
}

int is_transfer_thread_busy(NetContext& ctx) {
    std::lock_guard lock(ctx.transfer_busy_mutex);
    return ctx.transfer_thread_busy;
}

}  // namespace varnix
