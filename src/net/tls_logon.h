// TLS on the control connection and its data connections: implicit TLS before the greeting,
// AUTH TLS (AUTH SSL after a 500/502) before USER, PBSZ 0 and PROT P after the logon, and the
// data streams that resume the control connection's session.
#pragma once

#include <memory>
#include <string>

#include "net/net_context.h"
#include "platform/stream.h"

namespace varnix {

// Wraps the control connection in TLS (the handshake, then the certificate decision). False
// after printing why; the caller closes the connection.
[[nodiscard]] bool start_control_tls(NetContext& ctx, const std::string& host, int port);

enum class AuthOutcome {
    Secured,  // the control connection is TLS now
    Refused,  // the server refused AUTH: still plain, nothing else sent
    Failed,   // the exchange or the handshake failed: the connection is unusable
};
// AUTH TLS, or AUTH SSL when the server does not know AUTH TLS (500, 502), then the TLS
// handshake on 234 (334 from old AUTH SSL servers).
[[nodiscard]] AuthOutcome negotiate_explicit_tls(NetContext& ctx, const std::string& host, int port);

// After the logon on a TLS control connection: PBSZ 0 and PROT P. False when the server refused
// protected data connections (ctx.tls.protect_data stays false then).
[[nodiscard]] bool protect_data_connections(NetContext& ctx);

// Before a data connection closes after the preliminary reply: an upload of an empty file
// writes nothing, yet the server waits for the data connection's TLS handshake; it runs here,
// so the server sees a clean, empty file rather than a failed connection.
void settle_data_tls(NetContext& ctx);

// The data stream over a new data socket: a TLS stream (its handshake at the first read or
// write, resuming the control connection's session) after PROT P, else the plain socket.
[[nodiscard]] std::unique_ptr<Stream> make_data_stream(NetContext& ctx, int socket);

}  // namespace varnix
