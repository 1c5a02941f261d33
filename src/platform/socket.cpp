// POSIX implementation of the blocking socket calls.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/blocking.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

int fail_with_errno() {
    set_last_socket_error(wsa_error_from_errno(errno));
    return -1;
}

int make_socket(int type, int family = AF_INET) {
    const int fd = ::socket(family, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail_with_errno();
    return fd;
}

socklen_t address_length(const sockaddr_storage& addr) {
    return addr.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

}  // namespace

void ignore_sigpipe() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

std::optional<in_addr> parse_dotted(const std::string& text) {
    in_addr addr{};
    if (::inet_aton(text.c_str(), &addr) == 0) return std::nullopt;
    return addr;
}

std::string dotted(in_addr addr) {
    char buffer[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr, buffer, sizeof buffer);
    return buffer;
}

namespace {

// One look-up, shared by the asking thread and the helper that runs getaddrinfo; whichever
// leaves last frees it (a cancelled caller does not wait for a slow resolver).
struct Lookup {
    std::mutex mutex;
    std::vector<sockaddr_storage> addresses;
    int error = 0;
    WakeEvent done;
};

void run_lookup(Lookup& lookup, const std::string& host, int family) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    // Only families this machine has an address of: no IPv6 attempts on an IPv4-only host.
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* result = nullptr;
    int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc == EAI_NONAME || rc == EAI_ADDRFAMILY || rc == EAI_NODATA) {
        // AI_ADDRCONFIG hides loopback-only families ("::1" on a host without global IPv6).
        hints.ai_flags = 0;
        rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    }
    {
        std::lock_guard lock(lookup.mutex);
        for (const addrinfo* a = rc == 0 ? result : nullptr; a; a = a->ai_next) {
            if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
                a->ai_addrlen > sizeof(sockaddr_storage)) {
                continue;
            }
            sockaddr_storage one{};
            std::memcpy(&one, a->ai_addr, a->ai_addrlen);
            lookup.addresses.push_back(one);
        }
        if (lookup.addresses.empty()) lookup.error = wsa_error_from_gai(rc == 0 ? EAI_NONAME : rc);
    }
    if (result) ::freeaddrinfo(result);
    lookup.done.signal();
}

}  // namespace

std::vector<sockaddr_storage> resolve_addresses(const std::string& host, int family) {
    // getaddrinfo cannot be cancelled and may take many seconds, so it runs in a helper
    // thread while this one waits through the wait primitive: the blocking hook keeps
    // pumping and Cancel ends the wait.
    auto lookup = std::make_shared<Lookup>();
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    try {
        std::thread([lookup, name, family] { run_lookup(*lookup, name, family); }).detach();
    } catch (const std::system_error&) {
        run_lookup(*lookup, name, family);  // no thread to be had: look up here
    }
    if (lookup->done.wait() != WaitResult::Ready) return {};  // error already set
    std::lock_guard lock(lookup->mutex);
    if (lookup->addresses.empty()) set_last_socket_error(lookup->error);
    return lookup->addresses;
}

std::optional<in_addr> resolve_ipv4(const std::string& host) {
    const auto found = resolve_addresses(host, AF_INET);
    if (found.empty()) return std::nullopt;
    return reinterpret_cast<const sockaddr_in&>(found.front()).sin_addr;
}

std::optional<sockaddr_storage> parse_numeric_address(const std::string& text) {
    std::string name = text;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    sockaddr_storage storage{};
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    if (::inet_pton(AF_INET6, name.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        return storage;
    }
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    if (::inet_pton(AF_INET, name.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return storage;
    }
    return std::nullopt;
}

void set_address_port(sockaddr_storage& addr, unsigned port) {
    const auto net_port = htons(static_cast<std::uint16_t>(port));
    if (addr.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6&>(addr).sin6_port = net_port;
    } else {
        reinterpret_cast<sockaddr_in&>(addr).sin_port = net_port;
    }
}

bool same_host(const sockaddr_storage& a, const sockaddr_storage& b) {
    // An IPv4 peer seen through an IPv6 socket comes as ::ffff:a.b.c.d.
    const auto plain = [](const sockaddr_storage& in) {
        sockaddr_storage out = in;
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(in);
        if (in.ss_family == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            out = sockaddr_storage{};
            auto& v4 = reinterpret_cast<sockaddr_in&>(out);
            v4.sin_family = AF_INET;
            std::memcpy(&v4.sin_addr, &v6.sin6_addr.s6_addr[12], 4);
        }
        return out;
    };
    const sockaddr_storage x = plain(a);
    const sockaddr_storage y = plain(b);
    if (x.ss_family != y.ss_family) return false;
    if (x.ss_family == AF_INET) {
        return reinterpret_cast<const sockaddr_in&>(x).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(y).sin_addr.s_addr;
    }
    if (x.ss_family == AF_INET6) {
        return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(x).sin6_addr,
                           &reinterpret_cast<const sockaddr_in6&>(y).sin6_addr, sizeof(in6_addr)) == 0;
    }
    return false;
}

int sock_create_stream(int family) { return make_socket(SOCK_STREAM, family); }

int sock_create_datagram(int family) { return make_socket(SOCK_DGRAM, family); }

int sock_connect(int fd, const sockaddr_in& addr) {
    sockaddr_storage storage{};
    std::memcpy(&storage, &addr, sizeof addr);
    return sock_connect(fd, storage);
}

int sock_connect(int fd, const sockaddr_storage& addr) {
    // Non-blocking connect so the wait runs through the blocking hook.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return fail_with_errno();
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), address_length(addr));
    if (rc < 0 && errno != EINPROGRESS) {
        const int err = errno;
        (void)::fcntl(fd, F_SETFL, flags);
        errno = err;
        return fail_with_errno();
    }
    if (rc < 0) {
        if (!wait_ready(fd, POLLOUT, -1)) {
            (void)::fcntl(fd, F_SETFL, flags);
            return -1;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) err = errno;
        if (err != 0) {
            (void)::fcntl(fd, F_SETFL, flags);
            errno = err;
            return fail_with_errno();
        }
    }
    (void)::fcntl(fd, F_SETFL, flags);
    return 0;
}

int sock_accept(int fd, int timeout_ms) {
    for (;;) {
        if (!wait_ready(fd, POLLIN, timeout_ms)) return -1;
        const int conn = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (conn >= 0) {
            // Back to blocking mode: the calls above wait by poll() and never block in the kernel.
            const int flags = ::fcntl(conn, F_GETFL);
            if (flags >= 0) (void)::fcntl(conn, F_SETFL, flags & ~O_NONBLOCK);
            return conn;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        return fail_with_errno();
    }
}

int sock_close(int fd) {
    if (::close(fd) < 0) return fail_with_errno();
    return 0;
}

int sock_set_int_option(int fd, int level, int name, int value) {
    if (::setsockopt(fd, level, name, &value, sizeof value) < 0) return fail_with_errno();
    return 0;
}

bool sock_set_keepalive(int fd, int idle_s, int interval_s, int probes) {
    return sock_set_int_option(fd, SOL_SOCKET, SO_KEEPALIVE, 1) == 0 &&
           sock_set_int_option(fd, IPPROTO_TCP, TCP_KEEPIDLE, idle_s) == 0 &&
           sock_set_int_option(fd, IPPROTO_TCP, TCP_KEEPINTVL, interval_s) == 0 &&
           sock_set_int_option(fd, IPPROTO_TCP, TCP_KEEPCNT, probes) == 0;
}

namespace {

// The socket's own or its peer's address (getsockname / getpeername) as `Address`.
template <typename Address>
std::optional<Address> socket_name(int fd, int (*query)(int, sockaddr*, socklen_t*)) {
    Address addr{};
    socklen_t len = sizeof addr;
    if (query(fd, reinterpret_cast<sockaddr*>(&addr), &len) < 0) {
        fail_with_errno();
        return std::nullopt;
    }
    return addr;
}

}  // namespace

std::optional<sockaddr_in> sock_local_address(int fd) { return socket_name<sockaddr_in>(fd, ::getsockname); }

std::optional<sockaddr_in> sock_peer_address(int fd) { return socket_name<sockaddr_in>(fd, ::getpeername); }

std::optional<sockaddr_storage> sock_local_storage(int fd) {
    return socket_name<sockaddr_storage>(fd, ::getsockname);
}

std::optional<sockaddr_storage> sock_peer_storage(int fd) {
    return socket_name<sockaddr_storage>(fd, ::getpeername);
}

int sock_bind_listen(int fd, const sockaddr_storage& addr, int backlog) {
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), address_length(addr)) < 0) {
        return fail_with_errno();
    }
    if (::listen(fd, backlog) < 0) return fail_with_errno();
    return 0;
}

}  // namespace varnix
