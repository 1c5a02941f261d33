// Addresses of both families: numeric literals with and without brackets, look-ups that give
// IPv6 and IPv4, the same-host rule a data connection is checked by, and a connection over
// the IPv6 loopback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>

#include "platform/socket.h"

namespace varnix {
namespace {

std::string text_of(const sockaddr_storage& a) {
    char buffer[INET6_ADDRSTRLEN] = {};
    const void* raw = a.ss_family == AF_INET6
                          ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr)
                          : static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(a).sin_addr);
    ::inet_ntop(a.ss_family, raw, buffer, sizeof buffer);
    return buffer;
}

bool ipv6_loopback() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

TEST(SocketAddress, NumericLiteralsOfBothFamilies) {
    for (const char* text : {"::1", "[::1]", "2001:db8::7", "[fe80::1]"}) {
        const auto a = parse_numeric_address(text);
        ASSERT_TRUE(a) << text;
        EXPECT_EQ(a->ss_family, AF_INET6) << text;
    }
    const auto v4 = parse_numeric_address("127.0.0.1");
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->ss_family, AF_INET);
    EXPECT_EQ(text_of(*v4), "127.0.0.1");
    for (const char* text : {"", "[]", "[::1", "::1]", "localhost", "1.2.3.4.5", "[127.0.0.1]x", ":::"}) {
        EXPECT_FALSE(parse_numeric_address(text)) << text;
    }
}

TEST(SocketAddress, SameHostSeesThroughMappedAddressesAndIgnoresPorts) {
    auto a = *parse_numeric_address("127.0.0.1");
    auto b = *parse_numeric_address("::ffff:127.0.0.1");
    set_address_port(a, 21);
    set_address_port(b, 2121);
    EXPECT_TRUE(same_host(a, b));
    EXPECT_TRUE(same_host(*parse_numeric_address("::1"), *parse_numeric_address("[::1]")));
    EXPECT_FALSE(same_host(*parse_numeric_address("::1"), *parse_numeric_address("127.0.0.1")));
    EXPECT_FALSE(same_host(*parse_numeric_address("127.0.0.2"), *parse_numeric_address("127.0.0.1")));
    EXPECT_FALSE(same_host(*parse_numeric_address("::2"), *parse_numeric_address("::1")));
}

TEST(SocketAddress, LookUpsGiveBothFamiliesAndBracketsAreNoPartOfTheName) {
    const auto local = resolve_addresses("localhost", AF_INET);
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(text_of(local.front()), "127.0.0.1");
    const auto v6 = resolve_addresses("[::1]");
    ASSERT_EQ(v6.size(), 1u);
    EXPECT_EQ(v6.front().ss_family, AF_INET6);
}

TEST(SocketAddress, ConnectsOverTheIpv6Loopback) {
    if (!ipv6_loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    UniqueSocket listener(sock_create_stream(AF_INET6));
    ASSERT_TRUE(listener.valid());
    sockaddr_storage any = *parse_numeric_address("::1");
    ASSERT_EQ(sock_bind_listen(listener.get(), any, 1), 0);
    const auto bound = sock_local_storage(listener.get());
    ASSERT_TRUE(bound);
    UniqueSocket client(sock_create_stream(AF_INET6));
    ASSERT_EQ(sock_connect(client.get(), *bound), 0);
    UniqueSocket server(sock_accept(listener.get(), 5000));
    ASSERT_TRUE(server.valid());
    const auto peer = sock_peer_storage(server.get());
    ASSERT_TRUE(peer);
    EXPECT_TRUE(same_host(*peer, *bound));
    EXPECT_EQ(text_of(*peer), "::1");
}

}  // namespace
}  // namespace varnix
