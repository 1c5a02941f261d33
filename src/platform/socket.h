// Blocking TCP socket calls over POSIX sockets: creating, connecting, accepting, options,
// addresses and closing. The bytes themselves go through a Stream (stream.h). Every wait goes
// through wait_socket(), so the blocking hook runs and a cancel ends the call with "Blocking
// call cancelled". Failures set the thread's last socket error (socket_errors.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/types.h>
#include <vector>

namespace varnix {

inline constexpr int no_socket = -1;

// Ignores SIGPIPE once for the process: a peer that closes during a send gives an error.
void ignore_sigpipe();

// IPv4 look-up of a host name; nullopt with the last error set when it fails. A blocking
// call: the hook runs while it waits, and a cancel ends it ("Blocking call cancelled").
[[nodiscard]] std::optional<in_addr> resolve_ipv4(const std::string& host);
// Every address of a host, IPv6 and IPv4 (family AF_UNSPEC) in the resolver's order of
// preference, ports 0; a literal in brackets ("[::1]") is read without them. Empty with the
// last error set when there is none. Blocking like resolve_ipv4.
[[nodiscard]] std::vector<sockaddr_storage> resolve_addresses(const std::string& host,
                                                              int family = AF_UNSPEC);
// A numeric IPv6 or IPv4 address ("::1", "[::1]", "127.0.0.1"), port 0; nullopt otherwise.
[[nodiscard]] std::optional<sockaddr_storage> parse_numeric_address(const std::string& text);
void set_address_port(sockaddr_storage& addr, unsigned port);
// Whether two addresses name the same host (ports aside; ::ffff:a.b.c.d is a.b.c.d).
[[nodiscard]] bool same_host(const sockaddr_storage& a, const sockaddr_storage& b);
// inet_addr(): a dotted address; nullopt when the text is not one.
[[nodiscard]] std::optional<in_addr> parse_dotted(const std::string& text);
[[nodiscard]] std::string dotted(in_addr addr);

[[nodiscard]] int sock_create_stream(int family = AF_INET);  // AF_INET or AF_INET6
[[nodiscard]] int sock_create_datagram(int family = AF_INET);
// Connects a blocking socket; 0 or -1.
[[nodiscard]] int sock_connect(int fd, const sockaddr_in& addr);
[[nodiscard]] int sock_connect(int fd, const sockaddr_storage& addr);
// Waits for a connection, at most `timeout_ms` (-1: no limit); the new socket or -1.
[[nodiscard]] int sock_accept(int fd, int timeout_ms = -1);
// 0 or -1.
[[nodiscard]] int sock_close(int fd);
[[nodiscard]] int sock_set_int_option(int fd, int level, int name, int value);
// Switches on TCP keep-alive: the first probe after `idle_s` seconds of silence, then one
// every `interval_s`, the connection given up after `probes` unanswered ones. False (with
// the last error set) when an option was refused.
[[nodiscard]] bool sock_set_keepalive(int fd, int idle_s, int interval_s, int probes);
[[nodiscard]] std::optional<sockaddr_in> sock_local_address(int fd);
[[nodiscard]] std::optional<sockaddr_in> sock_peer_address(int fd);
// Binds to addr (port 0: any free port) and listens.
[[nodiscard]] int sock_bind_listen(int fd, const sockaddr_storage& addr, int backlog);
// Local and peer addresses of either family.
[[nodiscard]] std::optional<sockaddr_storage> sock_local_storage(int fd);
[[nodiscard]] std::optional<sockaddr_storage> sock_peer_storage(int fd);

// Owns a socket and closes it when dropped.
class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(int fd) : fd_(fd) {}
    ~UniqueSocket() { reset(); }
    UniqueSocket(UniqueSocket&& other) noexcept : fd_(other.release()) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool valid() const { return fd_ != no_socket; }
    int release() {
        const int fd = fd_;
        fd_ = no_socket;
        return fd;
    }
    void reset(int fd = no_socket) {
        if (fd_ != no_socket) (void)sock_close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = no_socket;
};

}  // namespace varnix
