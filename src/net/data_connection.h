// Data connections: passive (PASV, connect to the server) and active (PORT, accept the
// server's connection), and the abort of a transfer in progress (Telnet IP and Synch, ABOR).
#pragma once

#include <optional>
#include <string_view>

#include "net/net_context.h"

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

// Sends PASV (XPSV after a 500); the class of the last reply.
int send_pasv(NetContext& ctx, int control_socket);
// A connected data socket, or -1.
[[nodiscard]] int passive_connect(NetContext& ctx, int control_socket);
// A listening socket the server accepted a PORT command for, or -1.
[[nodiscard]] int open_listener(NetContext& ctx, int control_socket);
// Accepts the server's data connection (within the time-out) and closes the listener. Only
// the control connection's peer is accepted; another host's connection is closed with an
// "[I]" line. The data socket, or -1 after reporting "accept".
[[nodiscard]] int accept_data_connection(NetContext& ctx, int& listen_socket, int control_socket);
// Sends the interrupt and ABOR and reads every reply they bring (read_abort_replies):
// the class of the last, or 0 when the interrupt could not be sent.
int abort_transfer(NetContext& ctx, int control_socket);

// How many replies an abort may bring (the transfer's and the ABOR's), and how long a second
// answer that follows a positive one is waited for.
inline constexpr int max_abort_replies = 3;
inline constexpr int abort_grace_ms = 300;
// Reads the replies that follow an ABOR: through the transfer's negative reply (426) to the
// ABOR's own answer, and an answer that follows at once, so the connection is in step again.
int read_abort_replies(NetContext& ctx, int control_socket);

// The session's time-out for one data wait in milliseconds (-1: none).
[[nodiscard]] int data_timeout_ms(const NetContext& ctx);

}  // namespace varnix
