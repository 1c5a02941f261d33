// Data connections: passive (PASV, connect to the server) and active (PORT, accept the
// server's connection), and the abort of a transfer in progress (Telnet IP and Synch, ABOR).
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "net/command_reply.h"
#include "net/net_context.h"
#include "platform/stream.h"

namespace varnix {

// The six numbers of a PASV reply: address bytes and port.
struct PassiveAddress {
    unsigned char address[4];
    unsigned port;
};

// Where the numbers of a PASV reply are, and their values; nullopt with the message the
// caller prints ("unable to parse info" or "bad address in").
struct PassiveParse {
    std::optional<PassiveAddress> address;
    bool found_start = false;
    std::string_view from_start;  // the text from where the numbers start
};
[[nodiscard]] PassiveParse parse_pasv_reply(std::string_view text);

// The one place a data connection is opened from its connected socket, after the passive
// connect and after the accept: a stream that wraps the socket (TLS on the data connection)
// is made here, and nothing else changes for the transfer loops. False when the stream could
// not be set up (the socket is closed then).
[[nodiscard]] bool open_data(NetContext& ctx, int socket);

// Sends PASV (XPSV after a 500); the last reply.
CommandReply send_pasv(NetContext& ctx);
// Whether the control connection runs over IPv6 (an IPv4 address mapped into IPv6 is IPv4).
[[nodiscard]] bool control_is_ipv6(NetContext& ctx);
// Opens ctx.data by PASV and a connect; false when that failed. EPSV (RFC 2428) in place of
// PASV on IPv6 and where FEAT lists it, and after a refused PASV on a server that knows FEAT.
// Either way the data connection goes to the control connection's peer.
[[nodiscard]] bool passive_connect(NetContext& ctx);
// Opens the listener (ctx.data.listener) and has the server accept a PORT command for it
// (EPRT on IPv6);
// false when that failed (the listener is closed then).
[[nodiscard]] bool open_listener(NetContext& ctx);
// What came of waiting for the server's data connection.
struct DataAccept {
    bool connected = false;
    // The reply the server sent instead of connecting (a refusal such as "425 Can't open
    // data connection"), which has been read; code 0 when no reply was read.
    CommandReply answer;
    explicit operator bool() const { return connected; }
};
// Accepts the server's data connection on ctx.data.listener (within the time-out) into
// ctx.data, and closes the listener. Only the control connection's peer is accepted; another
// host's connection is closed with an "[I]" line. A final reply on the control connection
// ends the wait at once (it is read). Not connected after reporting "accept" or the reply.
[[nodiscard]] DataAccept accept_data_connection(NetContext& ctx);
// Sends the interrupt and ABOR and reads every reply they bring (read_abort_replies):
// the last, or class None when the interrupt could not be sent.
CommandReply abort_transfer(NetContext& ctx);

// How many replies an abort may bring (the transfer's and the ABOR's), and how long a second
// answer that follows a positive one is waited for.
inline constexpr int max_abort_replies = 3;
inline constexpr int abort_grace_ms = 300;
// Reads the replies that follow an ABOR: through the transfer's negative reply (426) to the
// ABOR's own answer, and an answer that follows at once, so the connection is in step again.
CommandReply read_abort_replies(NetContext& ctx);

// The session's time-out for one data wait in milliseconds (-1: none).
[[nodiscard]] int data_timeout_ms(const NetContext& ctx);

}  // namespace varnix
