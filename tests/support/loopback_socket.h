// Socket plumbing for the test servers: an owning descriptor, loopback listeners and
// connections, and the one bounded wait (poll in slices, woken early by a stop pipe).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include <netinet/in.h>

namespace varnix::test {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// Owns one file descriptor; closes it on destruction.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool valid() const { return fd_ >= 0; }
    [[nodiscard]] int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// A pipe whose read end wakes every wait_fd() below; notify() is safe from any thread.
class StopSignal {
public:
    StopSignal();
    void notify();
    [[nodiscard]] int fd() const { return read_end_.get(); }

private:
    Fd read_end_;
    Fd write_end_;
};

enum class WaitResult { Ready, TimedOut, Stopped, Failed };

// Waits until `events` are ready on fd (revents reported through `revents`), the deadline
// passes, or the stop signal fires. stop_fd may be -1.
[[nodiscard]] WaitResult wait_fd(int fd, short events, int stop_fd, Clock::time_point deadline,
                                 short* revents = nullptr);

[[nodiscard]] sockaddr_in loopback_address(std::uint16_t port);
[[nodiscard]] std::optional<std::uint16_t> local_port(int fd);

// A listening TCP socket on 127.0.0.1 with a port chosen by the system.
[[nodiscard]] Fd listen_loopback(int backlog = 8);

// Connects (bounded) to addr. Returns an invalid Fd on failure or time-out.
[[nodiscard]] Fd connect_to(const sockaddr_in& addr, Millis bound);
[[nodiscard]] Fd connect_loopback(std::uint16_t port, Millis bound);

// Accepts one connection on a listener, bounded and stoppable.
[[nodiscard]] Fd accept_one(int listener, int stop_fd, Clock::time_point deadline);

void set_nonblocking(int fd);
void set_nodelay(int fd);

// Waits (bounded) until the peer has acknowledged everything sent on fd, so that a reset
// that follows cannot discard bytes still in flight.
void wait_until_sent(int fd, int stop_fd, Clock::time_point deadline);

// Closes with SO_LINGER 0, which sends RST instead of FIN.
void close_with_reset(Fd& fd);

// Sends all bytes on a non-blocking socket, bounded and stoppable.
// Returns 0 on success, otherwise the errno (ETIMEDOUT on time-out, ECANCELED on stop).
[[nodiscard]] int send_bytes(int fd, std::string_view bytes, int stop_fd, Clock::time_point deadline);

// A port that was free a moment ago (bound to port 0, read back, closed).
[[nodiscard]] std::optional<std::uint16_t> free_port();

}  // namespace varnix::test
