// Socket plumbing for the test servers: an owning descriptor, loopback listeners and
// connections, and the one bounded wait (poll in slices, woken early by a stop pipe).
#include "support/loopback_socket.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace varnix::test {

namespace {

constexpr int slice_ms = 50;

int remaining_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, slice_ms));
}

bool stop_requested(int stop_fd) {
    if (stop_fd < 0) {
        return false;
    }
    pollfd p{stop_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

int Fd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void Fd::reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

StopSignal::StopSignal() {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) == 0) {
        read_end_.reset(ends[0]);
        write_end_.reset(ends[1]);
    }
}

void StopSignal::notify() {
    const char byte = 1;
    // The pipe stays readable after the first byte; a full pipe is as good as a written one.
    [[maybe_unused]] const auto n = ::write(write_end_.get(), &byte, 1);
}

WaitResult wait_fd(int fd, short events, int stop_fd, Clock::time_point deadline, short* revents) {
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{fd, events, 0}, pollfd{stop_fd, POLLIN, 0}};
        const nfds_t count = stop_fd >= 0 ? 2 : 1;
        const int n = ::poll(fds.data(), count, remaining_ms(deadline));
        if (n < 0 && errno != EINTR) {
            return WaitResult::Failed;
        }
        if (n > 0 && count == 2 && fds[1].revents != 0) {
            return WaitResult::Stopped;
        }
        if (n > 0 && fds[0].revents != 0) {
            if (revents != nullptr) {
                *revents = fds[0].revents;
            }
            return WaitResult::Ready;
        }
        if (Clock::now() >= deadline) {
            return WaitResult::TimedOut;
        }
    }
}

sockaddr_in loopback_address(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

std::optional<std::uint16_t> local_port(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return std::nullopt;
    }
    return ntohs(addr.sin_port);
}

Fd listen_loopback(int backlog) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return fd;
    }
    const sockaddr_in addr = loopback_address(0);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd.get(), backlog) != 0) {
        fd.reset();
    }
    return fd;
}

Fd connect_to(const sockaddr_in& addr, Millis bound) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return fd;
    }
    // A blocking connect bounded by SO_SNDTIMEO. (A non-blocking one would have to read
    // SO_ERROR afterwards, which also swallows a reset that came right after the handshake.)
    const auto ms = std::max<long long>(bound.count(), 1);
    const timeval limit{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    int result = -1;
    do {
        result = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        return Fd{};
    }
    const timeval none{};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &none, sizeof none);
    set_nonblocking(fd.get());
    return fd;
}

Fd connect_loopback(std::uint16_t port, Millis bound) {
    return connect_to(loopback_address(port), bound);
}

Fd accept_one(int listener, int stop_fd, Clock::time_point deadline) {
    if (wait_fd(listener, POLLIN, stop_fd, deadline) != WaitResult::Ready) {
        return Fd{};
    }
    return Fd(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
}

void set_nonblocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

void set_nodelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void wait_until_sent(int fd, int stop_fd, Clock::time_point deadline) {
    for (;;) {
        int unsent = 0;
        if (::ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0) {
            return;
        }
        if (Clock::now() >= deadline || stop_requested(stop_fd)) {
            return;
        }
        // No event tells us "acknowledged"; look again after a short slice.
        pollfd none{stop_fd, POLLIN, 0};
        ::poll(&none, stop_fd >= 0 ? 1 : 0, 5);
    }
}

void close_with_reset(Fd& fd) {
    if (!fd.valid()) {
        return;
    }
    const linger hard{1, 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    fd.reset();
}

int send_bytes(int fd, std::string_view bytes, int stop_fd, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return errno;
        }
        switch (wait_fd(fd, POLLOUT, stop_fd, deadline)) {
        case WaitResult::Ready: break;
        case WaitResult::TimedOut: return ETIMEDOUT;
        case WaitResult::Stopped: return ECANCELED;
        case WaitResult::Failed: return errno;
        }
    }
    return 0;
}

std::optional<std::uint16_t> free_port() {
    const Fd fd = listen_loopback(1);
    return fd.valid() ? local_port(fd.get()) : std::nullopt;
}

}  // namespace varnix::test
