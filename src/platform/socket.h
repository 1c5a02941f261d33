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
#include <sys/types.h>

namespace varnix {

inline constexpr int no_socket = -1;

// Ignores SIGPIPE once for the process: a peer that closes during a send gives an error.
void ignore_sigpipe();

// IPv4 look-up of a host name; nullopt with the last error set when it fails. A blocking
// call: the hook runs while it waits, and a cancel ends it ("Blocking call cancelled").
[[nodiscard]] std::optional<in_addr> resolve_ipv4(const std::string& host);
// inet_addr(): a dotted address; nullopt when the text is not one.
[[nodiscard]] std::optional<in_addr> parse_dotted(const std::string& text);
[[nodiscard]] std::string dotted(in_addr addr);

[[nodiscard]] int sock_create_stream();
[[nodiscard]] int sock_create_datagram();
// Connects a blocking socket; 0 or -1.
[[nodiscard]] int sock_connect(int fd, const sockaddr_in& addr);
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
[[nodiscard]] int sock_bind_listen(int fd, const sockaddr_in& addr, int backlog);

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
