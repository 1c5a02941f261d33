// POSIX implementation of the blocking socket calls.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
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

#include "platform/blocking.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

int fail_with_errno() {
    set_last_socket_error(wsa_error_from_errno(errno));
    return -1;
}

int make_socket(int type) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail_with_errno();
    return fd;
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
    std::optional<in_addr> address;
    int error = 0;
    WakeEvent done;
};

void run_lookup(Lookup& lookup, const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    {
        std::lock_guard lock(lookup.mutex);
        if (rc != 0 || result == nullptr) {
            lookup.error = wsa_error_from_gai(rc);
        } else {
            lookup.address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr;
        }
    }
    if (result) ::freeaddrinfo(result);
    lookup.done.signal();
}

}  // namespace

std::optional<in_addr> resolve_ipv4(const std::string& host) {
    // getaddrinfo cannot be cancelled and may take many seconds, so it runs in a helper
    // thread while this one waits through the wait primitive: the blocking hook keeps
    // pumping and Cancel ends the wait.
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] { run_lookup(*lookup, host); }).detach();
    } catch (const std::system_error&) {
        run_lookup(*lookup, host);  // no thread to be had: look up here
    }
    if (lookup->done.wait() != WaitResult::Ready) return std::nullopt;  // error already set
    std::lock_guard lock(lookup->mutex);
    if (!lookup->address) set_last_socket_error(lookup->error);
    return lookup->address;
}

int sock_create_stream() { return make_socket(SOCK_STREAM); }

int sock_create_datagram() { return make_socket(SOCK_DGRAM); }

int sock_connect(int fd, const sockaddr_in& addr) {
    // Non-blocking connect so the wait runs through the blocking hook.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return fail_with_errno();
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
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

std::optional<sockaddr_in> sock_local_address(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) < 0) {
        fail_with_errno();
        return std::nullopt;
    }
    return addr;
}

std::optional<sockaddr_in> sock_peer_address(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len) < 0) {
        fail_with_errno();
        return std::nullopt;
    }
    return addr;
}

int sock_bind_listen(int fd, const sockaddr_in& addr, int backlog) {
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) < 0) {
        return fail_with_errno();
    }
    if (::listen(fd, backlog) < 0) return fail_with_errno();
    return 0;
}

}  // namespace varnix
