// Passive and active data connections, and the transfer abort.
#include "net/data_connection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <string>

#include "net/control_connection.h"
#include "net/extended_address.h"
#include "net/tls_logon.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"
#include "platform/stream.h"

namespace varnix {

namespace {

// Reads "%u" as sscanf would: optional leading white space, then digits.
std::optional<unsigned long> read_unsigned(std::string_view& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() + i) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

std::optional<PassiveAddress> read_six_numbers(std::string_view text) {
    unsigned long numbers[6];
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != ',') return std::nullopt;
            text.remove_prefix(1);
        }
        const auto n = read_unsigned(text);
        // A reply's numbers are bytes: anything above 255 is no address.
        if (!n || *n > 255) return std::nullopt;
        numbers[i] = *n;
    }
    PassiveAddress result{};
    for (int i = 0; i < 4; ++i) result.address[i] = static_cast<unsigned char>(numbers[i]);
    result.port = static_cast<unsigned>(numbers[4] * 256 + numbers[5]);
    return result;
}

std::string dotted_bytes(const unsigned char* b) {
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

}  // namespace

int data_timeout_ms(const NetContext& ctx) {
    return timeout_limit_ms(ctx.session.timeout);
}

PassiveParse parse_pasv_reply(std::string_view text) {
    PassiveParse parse;
    const auto close = text.find(')');
    if (close != std::string_view::npos) text = text.substr(0, close);
    const auto open = text.find('(');
    std::size_t start = std::string_view::npos;
    if (open != std::string_view::npos) {
        start = open + 1;
    } else if (text.size() > 4) {
        const auto digit = text.find_first_of("0123456789", 4);
        if (digit != std::string_view::npos) start = digit;
    }
    if (start == std::string_view::npos) return parse;
    parse.found_start = true;
    parse.from_start = text.substr(start);
    parse.address = read_six_numbers(parse.from_start);
    return parse;
}

bool open_data(NetContext& ctx, int socket) {
    auto stream = make_data_stream(ctx, socket);
    if (!stream) return false;
    ctx.data.open(std::move(stream));
    return true;
}

CommandReply send_pasv(NetContext& ctx) {
    CommandReply reply = send_command(ctx, "PASV");
    if (reply.not_understood()) reply = send_command(ctx, "XPSV");
    return reply;
}

namespace {

// PASV and a connect to the address it names (the control connection's peer, whatever it
// names); the connected socket, or -1. `refused` tells that PASV itself failed (refused or
// unreadable), as opposed to the connect.
int pasv_socket(NetContext& ctx, bool& refused) {
    refused = true;
    const CommandReply pasv = send_pasv(ctx);
    if (!pasv.completed()) return -1;
    const std::string& reply = pasv.text;
    const PassiveParse parse = parse_pasv_reply(reply);
    if (!parse.found_start) {
        ctx.messages.print_message("unable to parse info %s", reply.c_str());
        return -1;
    }
    if (!parse.address) {
        ctx.messages.print_message("bad address in %.*s", static_cast<int>(parse.from_start.size()),
                                   parse.from_start.data());
        return -1;
    }
    // The data connection goes where the control connection goes: a server must not be
    // able to send the client to a third host.
    std::string address = dotted_bytes(parse.address->address);
    if (const auto peer = sock_peer_address(ctx.control.descriptor())) {
        const std::string control_peer = dotted(peer->sin_addr);
        if (control_peer != address) {
            ctx.messages.print_message("[I] PASV named %s, connecting to %s instead",
                                       address.c_str(), control_peer.c_str());
            address = control_peer;
        }
    }
    refused = false;
    const unsigned port = parse.address->port;
    ctx.messages.print_message("connecting to %s:%u", address.c_str(), port);
    const int socket = connect_host(ctx, address, port, "tcp");
    if (socket == -1) {
        report_socket_error(ctx, "connect", last_socket_error());
        return -1;
    }
    ctx.messages.print_message("[%u] connect to %s port %u", static_cast<unsigned>(socket),
                               address.c_str(), port);
    return socket;
}

// EPSV (RFC 2428) and a connect to the control connection's peer at the port it names: the
// reply carries no address, so no server can send the client to a third host. The
// connected socket, or -1.
int epsv_socket(NetContext& ctx) {
    const auto peer = sock_peer_storage(ctx.control.descriptor());
    if (!peer) {
        report_socket_error(ctx, "getpeername", last_socket_error());
        return -1;
    }
    const CommandReply epsv = send_command(ctx, "EPSV");
    if (!epsv.completed()) return -1;
    const std::string& reply = epsv.text;
    const auto port = parse_epsv_reply(reply);
    if (!port) {
        ctx.messages.print_message("unable to parse info %s", reply.c_str());
        return -1;
    }
    const std::string address = numeric_host(*peer);
    const bool v6 = address.find(':') != std::string::npos;
    ctx.messages.print_message(v6 ? "connecting to [%s]:%u" : "connecting to %s:%u", address.c_str(), *port);
    const int socket = connect_host(ctx, address, *port, "tcp");
    if (socket == -1) {
        report_socket_error(ctx, "connect", last_socket_error());
        return -1;
    }
    ctx.messages.print_message("[%u] connect to %s port %u", static_cast<unsigned>(socket),
                               address.c_str(), *port);
    return socket;
}

}  // namespace

bool control_is_ipv6(NetContext& ctx) {
    const auto local = sock_local_storage(ctx.control.descriptor());
    if (!local || local->ss_family != AF_INET6) return false;
    return !IN6_IS_ADDR_V4MAPPED(&reinterpret_cast<const sockaddr_in6&>(*local).sin6_addr);
}

bool passive_connect(NetContext& ctx) {
    const ServerFeatures& features = ctx.control.state().features;
    // PASV can name only an IPv4 address; EPSV also where the server lists it.
    const bool extended = control_is_ipv6(ctx) || features.offers("EPSV");
    bool refused = false;
    int socket = extended ? epsv_socket(ctx) : pasv_socket(ctx, refused);
    // A server that knows FEAT (so is of the RFC 2428 era) but refused PASV may take EPSV.
    // An older one is not asked a command it cannot know.
    if (socket == -1 && refused && features.answered && !ctx.cancel_requested) socket = epsv_socket(ctx);
    return socket != -1 && open_data(ctx, socket);
}


namespace {

// An IPv6 listener on the control connection's local address, announced with EPRT (RFC
// 2428): PORT can name only an IPv4 address. The listening socket, or -1 (closed).
int listen_for_server_v6(NetContext& ctx) {
    auto local = sock_local_storage(ctx.control.descriptor());
    if (!local) {
        report_socket_error(ctx, "getsockname", last_socket_error());
        return -1;
    }
    const int fd = sock_create_stream(AF_INET6);
    if (fd < 0) {
        ctx.messages.print_message("failed to create socket: %s",
                                   socket_error_text(last_socket_error()).c_str());
        return -1;
    }
    UniqueSocket listener(fd);
    set_address_port(*local, 0);
    if (sock_bind_listen(fd, *local, 1) < 0) {
        ctx.messages.print_message("failed bind: %s", socket_error_text(last_socket_error()).c_str());
        return -1;
    }
    const auto bound = sock_local_storage(fd);
    const auto argument = bound ? eprt_argument(*bound) : std::nullopt;
    if (!argument) {
        ctx.messages.print_message("failed getsockname: %s", socket_error_text(last_socket_error()).c_str());
        return -1;
    }
    ctx.data.listener.open(std::make_unique<SocketStream>(listener.release()));
    if (!send_command_text(ctx, "EPRT " + *argument).completed()) {
        ctx.messages.print_message("[%u] port cmd failed.", static_cast<unsigned>(fd));
        close_listener(ctx);
        return -1;
    }
    ctx.messages.print_message("[%u] listener %s port %u", static_cast<unsigned>(fd),
                               numeric_host(*bound).c_str(), address_port(*bound));
    return fd;
}

// A listening socket the server accepted a PORT command for, or -1.
int listen_for_server(NetContext& ctx) {
    if (control_is_ipv6(ctx)) return listen_for_server_v6(ctx);
    const int fd = sock_create_stream();
    if (fd < 0) {
        ctx.messages.print_message("failed to create socket: %s",
                                   socket_error_text(last_socket_error()).c_str());
        return -1;
    }
    UniqueSocket listener(fd);
    ctx.messages.print_message("[%u] going to listen %s port %u", static_cast<unsigned>(fd),
                               dotted(ctx.local_address.sin_addr).c_str(),
                               ntohs(ctx.local_address.sin_port));
    ctx.local_address = sockaddr_in{};
    ctx.local_address.sin_family = AF_INET;
    ctx.local_address.sin_addr.s_addr = htonl(INADDR_ANY);
    auto failed = [&](const char* what) {
        ctx.messages.print_message("%s: %s", what, socket_error_text(last_socket_error()).c_str());
        return -1;
    };
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&ctx.local_address), sizeof ctx.local_address) < 0) {
        set_last_socket_error(wsa_error_from_errno(errno));
        return failed("failed bind");
    }
    const auto bound = sock_local_address(fd);
    if (!bound) return failed("failed getsockname");
    ctx.local_address = *bound;
    if (::listen(fd, 1) < 0) {
        set_last_socket_error(wsa_error_from_errno(errno));
        return failed("failed listen");
    }
    in_addr announce = ctx.local_address.sin_addr;
    if (const auto control = sock_local_address(ctx.control.descriptor())) {
        const auto* first = reinterpret_cast<const unsigned char*>(&control->sin_addr);
        if (first[0] != 0) announce = control->sin_addr;
    } else {
        report_socket_error(ctx, "getsockname", last_socket_error());
    }
    const auto* a = reinterpret_cast<const unsigned char*>(&announce);
    const unsigned port = ntohs(ctx.local_address.sin_port);
    // Held by the connection from here: a forced abort can shut it down while PORT waits.
    ctx.data.listener.open(std::make_unique<SocketStream>(listener.release()));
    if (!send_command(ctx, "PORT %d,%d,%d,%d,%d,%d", a[0], a[1], a[2], a[3],
                      static_cast<int>(port >> 8), static_cast<int>(port & 0xFF))
             .completed()) {
        ctx.messages.print_message("[%u] port cmd failed.", static_cast<unsigned>(fd));
        close_listener(ctx);
        return -1;
    }
    ctx.messages.print_message("[%u] listener %s port %u", static_cast<unsigned>(fd),
                               dotted(ctx.local_address.sin_addr).c_str(), port);
    return fd;
}

}  // namespace

bool open_listener(NetContext& ctx) {
    close_listener(ctx);
    return listen_for_server(ctx) != -1;
}

namespace {

// How long each look for the data connection lasts before the control connection is looked at.
constexpr int accept_slice_ms = 100;

bool control_has_input(NetContext& ctx) {
    return ctx.control.is_open() &&
           (!ctx.control.state().remainder.empty() || ctx.control.stream().readable_now());
}

// A pending connection from the control connection's peer, or -1. Anyone else who knocks is
// told off with an "[I]" line: the data of a download must come from the server, not from a
// third host that found the port.
int accept_one(NetContext& ctx, int listener, int timeout_ms, const std::optional<sockaddr_storage>& server) {
    const int data = sock_accept(listener, timeout_ms);
    if (data < 0 || !server) return data;
    const auto peer = sock_peer_storage(data);
    if (peer && same_host(*peer, *server)) return data;
    ctx.messages.print_message("[I] data connection from %s refused: not the server %s",
                               peer ? numeric_host(*peer).c_str() : "?",
                               numeric_host(*server).c_str());
    (void)sock_close(data);
    set_last_socket_error(wsa::would_block);
    return -1;
}

// Waits for the server's data connection within `limit_ms` in all, looking at the control
// connection between short looks: a server that cannot connect says so there ("425") and
// then waits for the next command, and waiting on would only sit out the time-out. Such a
// final reply is read into `answered`; -1 then.
int accept_from_server(NetContext& ctx, int listener, int limit_ms, CommandReply& answered) {
    const std::int64_t deadline = limit_ms < 0 ? -1 : tick_count() + limit_ms;
    const auto server = sock_peer_storage(ctx.control.descriptor());
    for (;;) {
        int slice = accept_slice_ms;
        if (deadline >= 0) {
            slice = static_cast<int>(std::clamp<std::int64_t>(deadline - tick_count(), 0, accept_slice_ms));
        }
        const int data = accept_one(ctx, listener, slice, server);
        if (data >= 0) return data;
        const int error = last_socket_error();
        if (error != wsa::timed_out && error != wsa::would_block) return -1;
        if (deadline >= 0 && tick_count() >= deadline) {
            set_last_socket_error(wsa::timed_out);
            return -1;
        }
        if (!control_has_input(ctx)) continue;
        // A connection that came just before the reply is the transfer's; its reply comes later.
        if (const int late = accept_one(ctx, listener, 1, server); late >= 0) return late;
        CommandReply reply = read_reply(ctx);
        if (reply.preliminary()) continue;  // the connection may still come
        answered = std::move(reply);
        return -1;
    }
}

}  // namespace

DataAccept accept_data_connection(NetContext& ctx) {
    const int limit = data_timeout_ms(ctx);
    CommandReply answered;
    const int data = accept_from_server(ctx, ctx.data.listener.descriptor(), limit, answered);
    if (data < 0) {
        if (answered.code != 0) {
            ctx.messages.print_message("[%u] the server answered instead of connecting",
                                       static_cast<unsigned>(ctx.data.listener.descriptor()));
        } else {
            if (last_socket_error() == wsa::timed_out) {
                ctx.messages.print_message("Timer cancelled blocking call");
                ctx.cancel_requested = true;
                set_last_socket_error(wsa::cancelled);
            }
            report_socket_error(ctx, "accept", last_socket_error());
        }
        close_listener(ctx);
        return {false, std::move(answered)};
    }
    close_listener(ctx);
    if (const auto peer = sock_peer_storage(data)) {
        ctx.messages.print_message("[%u] accept from %s port %u", static_cast<unsigned>(data),
                                   numeric_host(*peer).c_str(), address_port(*peer));
    }
    if (!open_data(ctx, data)) return {};
    return {true, {}};
}

CommandReply abort_transfer(NetContext& ctx) {
    if (!ctx.control.is_open()) return {};
    Stream& control = ctx.control.stream();
    const int control_fd = ctx.control.descriptor();
    static constexpr char interrupt[] = {'\xFF', '\xF4', '\xFF'};
    static constexpr std::string_view synch_abort("\xF2" "ABOR\r\n");
    // An encrypted connection has no urgent data, and the Telnet synch would reach the server
    // as part of the command: ABOR goes alone, as the servers that speak TLS expect.
    const bool telnet_interrupt = !ctx.tls.context;
    if (telnet_interrupt && control.write_urgent(interrupt, sizeof interrupt) != sizeof interrupt) {
        ctx.messages.print_message("[%u] IP not accepted %u", static_cast<unsigned>(control_fd),
                                   static_cast<unsigned>(last_socket_error()));
        return {};
    }
    const std::string_view line = telnet_interrupt ? synch_abort : synch_abort.substr(1);
    if (send_data(ctx, control, line.data(), line.size()) != static_cast<int>(line.size())) {
        ctx.messages.print_message("[%u] ABOR not accepted %u", static_cast<unsigned>(control_fd),
                                   static_cast<unsigned>(last_socket_error()));
        return {};
    }
    ctx.messages.print_message("[%u] sent ABOR", static_cast<unsigned>(control_fd));
    return read_abort_replies(ctx);
}

CommandReply read_abort_replies(NetContext& ctx) {
    // The transfer's own reply (426, or 226 when it had just ended) may come before the
    // ABOR's answer, or not at all: read on through negative replies until the ABOR's answer.
    CommandReply reply;
    for (int replies = 0; replies < max_abort_replies; ++replies) {
        reply = read_reply(ctx);
        if (!reply.transient() || reply.code == 421) break;
    }
    if (!reply.completed()) return reply;
    // A transfer that ended just before the ABOR got its 226 first; the ABOR's own answer
    // follows at once. Left unread, it would be taken as the reply to the next command.
    const Reply answered = ctx.reply;
    if (ctx.control.state().remainder.empty()) {
        char chunk[reply_recv_chunk];
        const ssize_t n = ctx.control.stream().read(chunk, sizeof chunk, abort_grace_ms);
        if (n <= 0) return reply;
        ctx.control.state().remainder.append(chunk, static_cast<std::size_t>(n));
    }
    CommandReply late = read_reply(ctx);
    if (late.cls != ReplyClass::None) return late;
    ctx.reply = answered;
    return reply;
}

}  // namespace varnix
