// RFC 2428 data-connection addresses: the port of an EPSV reply, and the EPRT argument for
// an IPv4 or IPv6 address. Plain parsers and formatters with no connection state.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace varnix {

// The port of "229 Entering Extended Passive Mode (|||6446|)": any delimiter from '!' to
// '~' that is no digit, used for all four separators; the address fields are empty as the
// RFC asks (a server that fills them is still read, and the client keeps to the control
// connection's peer anyway). nullopt for anything else or a port outside 1..65535.
[[nodiscard]] std::optional<unsigned> parse_epsv_reply(std::string_view text);

// "|1|192.0.2.7|6275|" or "|2|::1|6275|"; nullopt for another family.
[[nodiscard]] std::optional<std::string> eprt_argument(const sockaddr_storage& address);

// The numeric text of an address ("127.0.0.1", "::1") and its port in host order.
[[nodiscard]] std::string numeric_host(const sockaddr_storage& address);
[[nodiscard]] unsigned address_port(const sockaddr_storage& address);

}  // namespace varnix
