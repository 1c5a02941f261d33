// EPSV reply parser and EPRT argument formatter (RFC 2428).
#include "net/extended_address.h"

#include <arpa/inet.h>
#include <charconv>
#include <netinet/in.h>

namespace varnix {

std::optional<unsigned> parse_epsv_reply(std::string_view text) {
    const auto open = text.find('(');
    if (open == std::string_view::npos) return std::nullopt;
    text.remove_prefix(open + 1);
    if (text.empty()) return std::nullopt;
    const char delimiter = text.front();
    if (delimiter < '!' || delimiter > '~' || (delimiter >= '0' && delimiter <= '9')) {
        return std::nullopt;
    }
    // <d><net-prt><d><net-addr><d><tcp-port><d>: skip the first two fields.
    text.remove_prefix(1);
    for (int field = 0; field < 2; ++field) {
        const auto next = text.find(delimiter);
        if (next == std::string_view::npos) return std::nullopt;
        text.remove_prefix(next + 1);
    }
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end == text.data()) return std::nullopt;
    if (end == text.data() + text.size() || *end != delimiter) return std::nullopt;
    if (port == 0 || port > 65535) return std::nullopt;
    return port;
}

std::string numeric_host(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        (void)inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        (void)inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    }
    return text;
}

unsigned address_port(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return 0;
}

std::optional<std::string> eprt_argument(const sockaddr_storage& address) {
    const char* family = address.ss_family == AF_INET    ? "1"
                         : address.ss_family == AF_INET6 ? "2"
                                                         : nullptr;
    if (!family) return std::nullopt;
    return "|" + std::string(family) + "|" + numeric_host(address) + "|" +
           std::to_string(address_port(address)) + "|";
}

}  // namespace varnix
