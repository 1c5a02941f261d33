// A plain POSIX socket client for the self-tests of the test servers: bounded reads of
// lines, replies and whole streams, and the PASV/PORT arithmetic, with no project code.
#pragma once

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include <poll.h>
#include <sys/socket.h>

#include "support/loopback_socket.h"

namespace varnix::test::client {

inline constexpr Millis bound{5000};

struct ReadResult {
    std::string bytes;
    bool closed = false;  // the peer's FIN was read
    int error = 0;        // errno of a failed recv (ECONNRESET), 0 otherwise
    bool timed_out = false;
};

// Reads until `stop_at` was read (when given), the peer closes, an error, or the bound.
inline ReadResult read_until(int fd, std::string_view stop_at = {}, Millis limit = bound) {
    ReadResult result;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (!stop_at.empty() && result.bytes.ends_with(stop_at)) {
            return result;
        }
        if (wait_fd(fd, POLLIN, -1, deadline) != WaitResult::Ready) {
            result.timed_out = true;
            return result;
        }
        // Up to a stop string one byte at a time: never read past a line into the next reply.
        char buffer[65536];
        const std::size_t size = stop_at.empty() ? sizeof buffer : 1;
        const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (n > 0) {
            result.bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            result.closed = true;
            return result;
        } else if (errno != EAGAIN && errno != EINTR) {
            result.error = errno;
            return result;
        }
    }
}

inline ReadResult read_count(int fd, std::size_t count, Millis limit = bound) {
    ReadResult result;
    const auto deadline = Clock::now() + limit;
    while (result.bytes.size() < count) {
        if (wait_fd(fd, POLLIN, -1, deadline) != WaitResult::Ready) {
            result.timed_out = true;
            return result;
        }
        std::string chunk(count - result.bytes.size(), '\0');
        const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (n > 0) {
            result.bytes.append(chunk, 0, static_cast<std::size_t>(n));
        } else if (n == 0) {
            result.closed = true;
            return result;
        } else if (errno != EAGAIN && errno != EINTR) {
            result.error = errno;
            return result;
        }
    }
    return result;
}

inline ReadResult read_to_end(int fd, Millis limit = bound) {
    return read_until(fd, {}, limit);
}

inline std::string read_line(int fd) {
    return read_until(fd, "\n").bytes;
}

// A whole reply: lines up to the one that starts with the first line's code and a blank.
inline std::string read_reply(int fd) {
    std::string reply = read_line(fd);
    if (reply.size() < 4 || reply[3] != '-') {
        return reply;
    }
    const std::string end = reply.substr(0, 3) + " ";
    for (;;) {
        const std::string line = read_line(fd);
        reply += line;
        if (line.empty() || line.starts_with(end)) {
            return reply;
        }
    }
}

[[nodiscard]] inline bool send_text(int fd, std::string_view text) {
    return send_bytes(fd, text, -1, Clock::now() + bound) == 0;
}

// The port of a "227 ... (h1,h2,h3,h4,p1,p2)" reply.
inline std::optional<std::uint16_t> pasv_port(std::string_view reply) {
    const std::size_t open = reply.find('(');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = reply.substr(open + 1);
    unsigned numbers[6] = {};
    for (unsigned& n : numbers) {
        const auto [next, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
        if (ec != std::errc{} || n > 255) {
            return std::nullopt;
        }
        rest.remove_prefix(static_cast<std::size_t>(next - rest.data()));
        if (!rest.empty() && rest.front() == ',') {
            rest.remove_prefix(1);
        }
    }
    return static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
}

inline std::string port_line(std::uint16_t port) {
    return "PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

inline std::string port_command(std::uint16_t port) {
    return port_line(port) + "\r\n";
}

// Sends one command line (CR LF added) and returns the whole reply.
inline std::string command(int control, std::string_view line) {
    if (!send_text(control, std::string(line) + "\r\n")) {
        return {};
    }
    return read_reply(control);
}

// The opening reply, then USER and PASS: the final reply.
inline std::string logon(int control, std::string_view user, std::string_view password) {
    const std::string greeting = read_reply(control);
    if (!greeting.starts_with("220")) {
        return greeting;
    }
    const std::string reply = command(control, "USER " + std::string(user));
    if (!reply.starts_with("331")) {
        return reply;
    }
    return command(control, "PASS " + std::string(password));
}

struct Transfer {
    std::string data;     // what came over the data connection
    std::string replies;  // every control reply from PASV/PORT on, for the failure message
    bool ok = false;      // 150/125, then 226
};

// One passive transfer: PASV, connect, the command, then the data sent (upload) or read
// (download, when `upload` is empty), and the final reply.
inline Transfer passive_transfer(int control, std::string_view line, std::string_view upload = {}) {
    Transfer t;
    t.replies = command(control, "PASV");
    const auto port = pasv_port(t.replies);
    if (!t.replies.starts_with("227") || !port) {
        return t;
    }
    Fd data = connect_loopback(*port, bound);
    const std::string opened = command(control, line);
    t.replies += opened;
    if (!data.valid() || !(opened.starts_with("150") || opened.starts_with("125"))) {
        return t;
    }
    if (upload.empty()) {
        t.data = read_to_end(data.get()).bytes;
    } else if (!send_text(data.get(), upload)) {
        return t;
    }
    data.reset();
    const std::string done = read_reply(control);
    t.replies += done;
    t.ok = done.starts_with("226");
    return t;
}

// One active download: PORT with a fresh loopback listener, the command, accept, read.
inline Transfer active_download(int control, std::string_view line) {
    Transfer t;
    const Fd listener = listen_loopback(1);
    t.replies = command(control, port_line(local_port(listener.get()).value_or(0)));
    if (!t.replies.starts_with("200")) {
        return t;
    }
    const std::string opened = command(control, line);
    t.replies += opened;
    if (!(opened.starts_with("150") || opened.starts_with("125"))) {
        return t;
    }
    const Fd data = accept_one(listener.get(), -1, Clock::now() + bound);
    t.data = read_to_end(data.get()).bytes;
    const std::string done = read_reply(control);
    t.replies += done;
    t.ok = data.valid() && done.starts_with("226");
    return t;
}

}  // namespace varnix::test::client
