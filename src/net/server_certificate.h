// Whether the logon goes on with a server's TLS certificate: verified by the trust store,
// trusted before (trusted-certs), trusted by the user now (the window's question) or by
// -trust (batch). A certificate that changed since it was trusted is refused loudly.
#pragma once

#include <string>
#include <vector>

#include "net/net_context.h"
#include "platform/certificate_info.h"

namespace varnix {

// Prints why and returns false when the connection must not go on. `host` and `port` are
// where the client connected (the name the user gave); ctx.trusted_fingerprints are trusted.
[[nodiscard]] bool accept_server_certificate(NetContext& ctx, const std::string& host, int port,
                                             const CertificateInfo& certificate);

}  // namespace varnix
