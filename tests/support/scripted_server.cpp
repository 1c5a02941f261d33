// A scripted FTP server on 127.0.0.1 for protocol tests: one control connection, a list of
// steps (expected commands, canned replies, timing, drops, data connections) run in a thread.
#include "support/scripted_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "support/loopback_socket.h"

namespace varnix::test {

namespace {

// Shows bytes from the wire in a failure message: printable ASCII as is, the rest as \xHH.
std::string printable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            constexpr std::string_view hex = "0123456789ABCDEF";
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

// An abort puts Telnet IP / DM (and IAC) bytes in front of ABOR; commands never start so.
std::string_view without_telnet_prefix(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) >= 0xF0) {
        line.remove_prefix(1);
    }
    return line;
}

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::string with_crlf(std::string_view lines) {
    std::string out;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        out.append(lines.substr(0, end));
        out += "\r\n";
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    return out;
}

// "h1,h2,h3,h4,p1,p2": six numbers 0..255, nothing else.
std::optional<sockaddr_in> parse_port_argument(std::string_view text) {
    std::array<unsigned, 6> n{};
    const char* pos = text.data();
    const char* const end = text.data() + text.size();
    for (std::size_t i = 0; i < n.size(); ++i) {
        if (i > 0) {
            if (pos == end || *pos != ',') {
                return std::nullopt;
            }
            ++pos;
        }
        const auto [next, ec] = std::from_chars(pos, end, n[i]);
        if (ec != std::errc{} || next == pos || n[i] > 255) {
            return std::nullopt;
        }
        pos = next;
    }
    if (pos != end) {
        return std::nullopt;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl((n[0] << 24) | (n[1] << 16) | (n[2] << 8) | n[3]);
    addr.sin_port = htons(static_cast<std::uint16_t>(n[4] * 256 + n[5]));
    return addr;
}

bool is_loopback(const sockaddr_in& addr) {
    return (ntohl(addr.sin_addr.s_addr) >> 24) == 127;
}

enum class ReadStatus { Data, Closed, TimedOut, Stopped, Error };

struct UrgentByte {
    char byte = 0;
    std::optional<std::size_t> offset;  // unknown until the reader reaches the mark
};

}  // namespace

struct ScriptedServer::Impl {
    struct Step {
        std::string description;
        std::function<bool(Impl&)> run;  // false ends the script
    };

    StopSignal stop;
    Fd listener = listen_loopback();
    std::uint16_t port = listener.valid() ? local_port(listener.get()).value_or(0) : 0;
    std::vector<Step> steps;
    std::size_t step_index = static_cast<std::size_t>(-1);  // no step running yet
    std::thread thread;

    // Used by the script thread only.
    Fd control;
    std::string pending;  // in-band bytes received but not yet taken as a line
    Fd data_listener;     // announced by passive_reply()
    std::optional<sockaddr_in> active_peer;  // announced by expect_port()
    std::vector<Fd> kept;  // swallowed listeners, open until destruction

    mutable std::mutex mutex;
    std::condition_variable done_changed;
    bool finished = false;
    bool completed = false;
    std::vector<std::string> failures;
    std::string received;
    std::vector<UrgentByte> urgent;
    std::vector<std::string> data_received;

    ~Impl() {
        stop.notify();
        if (thread.joinable()) {
            thread.join();
        }
    }

    void fail(const std::string& text) {
        const std::lock_guard lock(mutex);
        const std::string where = step_index < steps.size()
                                      ? "step " + std::to_string(step_index + 1) + " (" +
                                            steps[step_index].description + "): "
                                      : std::string{};
        failures.push_back(where + text);
    }

    [[nodiscard]] bool stopped() const {
        pollfd p{stop.fd(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    // Waits for the duration unless stopped; false when stopped.
    [[nodiscard]] bool pause_for(Millis duration) const {
        return wait_fd(stop.fd(), POLLIN, -1, Clock::now() + duration) == WaitResult::TimedOut;
    }

    void run(Millis accept_bound) {
        control = accept_one(listener.get(), stop.fd(), Clock::now() + accept_bound);
        listener.reset();  // one control connection only
        bool ok = control.valid();
        if (!ok && !stopped()) {
            fail("no client connected within " + std::to_string(accept_bound.count()) + " ms");
        }
        if (ok) {
            set_nodelay(control.get());
        }
        for (step_index = 0; ok && step_index < steps.size(); ++step_index) {
            ok = !stopped() && steps[step_index].run(*this);
        }
        {
            const std::lock_guard lock(mutex);
            finished = true;
            completed = ok;
            done_changed.notify_all();
        }
        if (ok && control.valid()) {
            answer_late_feat();
        }
    }

    // After the script, a FEAT (sent after a logon the script ended with) still gets its
    // "502", so the client does not wait out its time-out; nothing else is answered.
    void answer_late_feat() {
        const auto far = Clock::now() + std::chrono::hours(1);
        while (read_control(far) == ReadStatus::Data) {
            while (auto line = take_line()) {
                if (*line == "FEAT" && !send_control("502 FEAT not implemented\r\n")) {
                    return;
                }
            }
        }
    }

    // --- control connection ---

    [[nodiscard]] bool need_control() {
        if (!control.valid()) {
            fail("the control connection is already closed");
        }
        return control.valid();
    }

    [[nodiscard]] bool at_urgent_mark() const {
        int at_mark = 0;
        return ::ioctl(control.get(), SIOCATMARK, &at_mark) == 0 && at_mark != 0;
    }

    // Reads the out-of-band byte if the kernel holds one.
    bool read_urgent() {
        char byte = 0;
        if (::recv(control.get(), &byte, 1, MSG_OOB | MSG_DONTWAIT) != 1) {
            return false;
        }
        const std::lock_guard lock(mutex);
        urgent.push_back(UrgentByte{byte, std::nullopt});
        return true;
    }

    // The in-band reads stop at the urgent mark, so when the mark is reached the count of
    // bytes received is the urgent byte's position in the stream.
    void place_urgent_mark() {
        if (!at_urgent_mark()) {
            return;
        }
        const std::lock_guard lock(mutex);
        if (!urgent.empty() && !urgent.back().offset) {
            urgent.back().offset = received.size();
        }
    }

    // One read of whatever arrives next (in-band bytes or an urgent byte).
    ReadStatus read_control(Clock::time_point deadline) {
        for (;;) {
            short revents = 0;
            switch (wait_fd(control.get(), POLLIN | POLLPRI, stop.fd(), deadline, &revents)) {
            case WaitResult::Ready: break;
            case WaitResult::TimedOut: return ReadStatus::TimedOut;
            case WaitResult::Stopped: return ReadStatus::Stopped;
            case WaitResult::Failed: return ReadStatus::Error;
            }
            bool got_urgent = (revents & POLLPRI) != 0 && read_urgent();
            // Reading in-band data across an unread urgent byte would lose it: take it first.
            if (at_urgent_mark()) {
                got_urgent = read_urgent() || got_urgent;
                place_urgent_mark();
            }
            std::array<char, 4096> buffer{};
            const ssize_t n = ::recv(control.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) {
                const std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
                pending.append(bytes);
                {
                    const std::lock_guard lock(mutex);
                    received.append(bytes);
                }
                place_urgent_mark();
                return ReadStatus::Data;
            }
            if (n == 0) {
                return ReadStatus::Closed;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return ReadStatus::Error;
            }
            if (got_urgent) {
                return ReadStatus::Data;
            }
        }
    }

    std::optional<std::string> take_line() {
        const std::size_t lf = pending.find('\n');
        if (lf == std::string::npos) {
            return std::nullopt;
        }
        std::string line = pending.substr(0, lf);
        pending.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line;
    }

    // The next command line, or nothing with a failure recorded (unless stopped).
    std::optional<std::string> read_line(std::string_view wanted, Millis bound) {
        const auto deadline = Clock::now() + bound;
        for (;;) {
            if (auto line = take_line()) {
                // A server of the old school: a script that does not ask for FEAT answers
                // it as a command it does not know, as such servers do.
                if (*line == "FEAT" && wanted != "FEAT") {
                    if (!send_control("502 FEAT not implemented\r\n")) {
                        return std::nullopt;
                    }
                    continue;
                }
                return line;
            }
            switch (read_control(deadline)) {
            case ReadStatus::Data: continue;
            case ReadStatus::Stopped: return std::nullopt;
            case ReadStatus::TimedOut:
                fail("no command line within " + std::to_string(bound.count()) + " ms, wanted '" +
                     printable(wanted) + "'; partial: '" + printable(pending) + "'");
                return std::nullopt;
            case ReadStatus::Closed:
                fail("the client closed the connection, wanted '" + printable(wanted) + "'");
                return std::nullopt;
            case ReadStatus::Error:
                fail(std::string("receive failed: ") + std::strerror(errno) + ", wanted '" +
                     printable(wanted) + "'");
                return std::nullopt;
            }
        }
    }

    bool expect(std::string_view wanted, bool whole_line, Millis bound) {
        if (!need_control()) {
            return false;
        }
        const auto line = read_line(wanted, bound);
        if (!line) {
            return false;
        }
        const std::string_view command = without_telnet_prefix(*line);
        const bool matches = whole_line ? command == wanted : command.starts_with(wanted);
        if (!matches) {
            fail("expected '" + printable(wanted) + "', got '" + printable(*line) + "'");
        }
        return true;
    }

    bool send_control(std::string_view bytes) {
        if (!need_control()) {
            return false;
        }
        const int error = send_bytes(control.get(), bytes, stop.fd(), Clock::now() + default_bound);
        if (error == ECANCELED) {
            return false;
        }
        if (error != 0) {
            fail(std::string("send failed: ") + std::strerror(error));
        }
        return true;
    }

    bool send_split(std::string_view bytes, const std::vector<std::size_t>& sizes, Millis pause) {
        for (const std::size_t size : sizes) {
            if (bytes.empty()) {
                break;
            }
            const std::size_t n = std::min(size, bytes.size());
            if (!send_control(bytes.substr(0, n)) || !pause_for(pause)) {
                return false;
            }
            bytes.remove_prefix(n);
        }
        return bytes.empty() || send_control(bytes);
    }

    bool silence_until_closed(Millis bound) {
        if (!need_control()) {
            return false;
        }
        const auto deadline = Clock::now() + bound;
        for (;;) {
            switch (read_control(deadline)) {
            case ReadStatus::Data: continue;
            case ReadStatus::Closed: return true;
            case ReadStatus::Error: return true;  // a client closing with unread bytes resets
            case ReadStatus::Stopped: return false;
            case ReadStatus::TimedOut:
                fail("the client did not close within " + std::to_string(bound.count()) + " ms");
                return false;
            }
        }
    }

    bool close_control() {
        if (!need_control()) {
            return false;
        }
        // Only the sending side: closing a socket with unread input would send RST instead.
        ::shutdown(control.get(), SHUT_WR);
        return true;
    }

    bool reset_control() {
        if (!need_control()) {
            return false;
        }
        wait_until_sent(control.get(), stop.fd(), Clock::now() + default_bound);
        close_with_reset(control);
        return true;
    }

    // --- data connections ---

    bool passive_reply(std::string_view text) {
        data_listener = listen_loopback(4);
        active_peer.reset();
        const auto data_port = data_listener.valid() ? local_port(data_listener.get()) : std::nullopt;
        if (!data_port) {
            fail("cannot open a data listener");
            return false;
        }
        std::string line(text);
        replace_all(line, "{p1}", std::to_string(*data_port / 256));
        replace_all(line, "{p2}", std::to_string(*data_port % 256));
        replace_all(line, "{port}", std::to_string(*data_port));
        return send_control(with_crlf(line));
    }

    bool expect_port(std::string_view reply_text, Millis bound) {
        if (!need_control()) {
            return false;
        }
        const auto line = read_line("PORT ...", bound);
        if (!line) {
            return false;
        }
        data_listener.reset();
        active_peer.reset();
        const std::string_view command = without_telnet_prefix(*line);
        const auto addr = command.starts_with("PORT ") ? parse_port_argument(command.substr(5))
                                                       : std::nullopt;
        if (!addr) {
            fail("expected 'PORT h1,h2,h3,h4,p1,p2', got '" + printable(*line) + "'");
        } else if (!is_loopback(*addr)) {
            fail("PORT names a non-loopback address: '" + printable(*line) + "'");
        } else {
            active_peer = addr;
        }
        return send_control(with_crlf(reply_text));
    }

    // Accepts the announced passive connection or connects to the announced PORT address.
    Fd open_data() {
        Fd data;
        if (data_listener.valid()) {
            data = accept_one(data_listener.get(), stop.fd(), Clock::now() + default_data_bound);
            data_listener.reset();
            if (!data.valid() && !stopped()) {
                fail("the client did not connect to the passive port");
            }
        } else if (active_peer) {
            data = connect_to(*active_peer, default_data_bound);
            active_peer.reset();
            if (!data.valid()) {
                fail("cannot connect to the address given with PORT");
            }
        } else {
            fail("no data connection was announced (passive_reply or expect_port)");
        }
        if (data.valid()) {
            set_nonblocking(data.get());
            set_nodelay(data.get());
        }
        return data;
    }

    // True when the client sent something on the control connection (an abort).
    [[nodiscard]] bool control_has_input() const {
        if (!control.valid()) {
            return false;
        }
        pollfd p{control.get(), POLLIN | POLLPRI, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    bool data_send(std::string_view payload, const Pacing& pacing) {
        Fd data = open_data();
        if (!data.valid()) {
            return !stopped();
        }
        const auto deadline = Clock::now() + default_data_bound;
        const std::size_t chunk = pacing.chunk == 0 ? payload.size() : pacing.chunk;
        while (!payload.empty()) {
            if (pacing.stop_on_command && control_has_input()) {
                break;
            }
            const std::size_t n = std::min(chunk, payload.size());
            const int error = send_bytes(data.get(), payload.substr(0, n), stop.fd(), deadline);
            if (error == ECANCELED) {
                return false;
            }
            if (error != 0) {
                if (!pacing.stop_on_command) {
                    fail(std::string("data send failed: ") + std::strerror(error));
                }
                break;
            }
            payload.remove_prefix(n);
            if (!payload.empty() && pacing.pause.count() > 0 && !pace(pacing)) {
                return false;
            }
        }
        return true;
    }

    // The pause between chunks; with stop_on_command a command ends it early. False if stopped.
    [[nodiscard]] bool pace(const Pacing& pacing) const {
        const auto deadline = Clock::now() + pacing.pause;
        if (!pacing.stop_on_command || !control.valid()) {
            return pause_for(pacing.pause);
        }
        return wait_fd(control.get(), POLLIN | POLLPRI, stop.fd(), deadline) != WaitResult::Stopped;
    }

    bool data_receive() {
        Fd data = open_data();
        if (!data.valid()) {
            return !stopped();
        }
        std::string payload;
        const auto deadline = Clock::now() + default_data_bound;
        std::array<char, 65536> buffer{};
        for (;;) {
            const WaitResult w = wait_fd(data.get(), POLLIN, stop.fd(), deadline);
            if (w == WaitResult::Stopped) {
                return false;
            }
            if (w != WaitResult::Ready) {
                fail("the client did not close the data connection within " +
                     std::to_string(default_data_bound.count()) + " ms");
                break;
            }
            const ssize_t n = ::recv(data.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) {
                payload.append(buffer.data(), static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n < 0) {
                fail(std::string("data receive failed: ") + std::strerror(errno));
            }
            break;
        }
        const std::lock_guard lock(mutex);
        data_received.push_back(std::move(payload));
        return true;
    }

    bool data_swallow() {
        if (data_listener.valid()) {
            kept.push_back(std::move(data_listener));
        }
        active_peer.reset();
        return true;
    }

    bool data_close_early(std::string_view payload) {
        Fd data = open_data();
        if (!data.valid()) {
            return !stopped();
        }
        const auto deadline = Clock::now() + default_data_bound;
        const int error = send_bytes(data.get(), payload, stop.fd(), deadline);
        if (error == ECANCELED) {
            return false;
        }
        if (error != 0) {
            fail(std::string("data send failed: ") + std::strerror(error));
        }
        wait_until_sent(data.get(), stop.fd(), deadline);
        close_with_reset(data);
        return true;
    }
};

ScriptedServer::ScriptedServer() : impl_(std::make_unique<Impl>()) {}

ScriptedServer::~ScriptedServer() = default;

std::uint16_t ScriptedServer::port() const {
    return impl_->port;
}

ScriptedServer& ScriptedServer::add(std::string description, std::function<bool(Impl&)> step) {
    if (impl_->thread.joinable()) {
        impl_->fail("'" + description + "' was added after start()");
        return *this;
    }
    impl_->steps.push_back(Impl::Step{std::move(description), std::move(step)});
    return *this;
}

ScriptedServer& ScriptedServer::reply(std::string_view lines) {
    return add("reply '" + printable(lines) + "'",
               [bytes = with_crlf(lines)](Impl& s) { return s.send_control(bytes); });
}

ScriptedServer& ScriptedServer::send_raw(std::string_view bytes) {
    return add("send_raw '" + printable(bytes) + "'",
               [bytes = std::string(bytes)](Impl& s) { return s.send_control(bytes); });
}

ScriptedServer& ScriptedServer::send_split(std::string_view bytes, std::vector<std::size_t> sizes,
                                           Millis pause) {
    return add("send_split '" + printable(bytes) + "'",
               [bytes = std::string(bytes), sizes = std::move(sizes), pause](Impl& s) {
                   return s.send_split(bytes, sizes, pause);
               });
}

ScriptedServer& ScriptedServer::expect(std::string_view line, Millis bound) {
    return add("expect '" + printable(line) + "'", [line = std::string(line), bound](Impl& s) {
        return s.expect(line, true, bound);
    });
}

ScriptedServer& ScriptedServer::expect_prefix(std::string_view prefix, Millis bound) {
    return add("expect_prefix '" + printable(prefix) + "'",
               [prefix = std::string(prefix), bound](Impl& s) {
                   return s.expect(prefix, false, bound);
               });
}

ScriptedServer& ScriptedServer::delay(Millis duration) {
    return add("delay " + std::to_string(duration.count()) + " ms",
               [duration](Impl& s) { return s.pause_for(duration); });
}

ScriptedServer& ScriptedServer::silence_until_closed(Millis bound) {
    return add("silence_until_closed",
               [bound](Impl& s) { return s.silence_until_closed(bound); });
}

ScriptedServer& ScriptedServer::close() {
    return add("close", [](Impl& s) { return s.close_control(); });
}

ScriptedServer& ScriptedServer::reset() {
    return add("reset", [](Impl& s) { return s.reset_control(); });
}

ScriptedServer& ScriptedServer::passive_reply(std::string_view text) {
    return add("passive_reply '" + printable(text) + "'",
               [text = std::string(text)](Impl& s) { return s.passive_reply(text); });
}

ScriptedServer& ScriptedServer::expect_port(std::string_view reply_text, Millis bound) {
    return add("expect_port", [reply_text = std::string(reply_text), bound](Impl& s) {
        return s.expect_port(reply_text, bound);
    });
}

ScriptedServer& ScriptedServer::data_send(std::string_view payload, Pacing pacing) {
    return add("data_send " + std::to_string(payload.size()) + " bytes",
               [payload = std::string(payload), pacing](Impl& s) {
                   return s.data_send(payload, pacing);
               });
}

ScriptedServer& ScriptedServer::data_receive() {
    return add("data_receive", [](Impl& s) { return s.data_receive(); });
}

ScriptedServer& ScriptedServer::data_swallow() {
    return add("data_swallow", [](Impl& s) { return s.data_swallow(); });
}

ScriptedServer& ScriptedServer::data_close_early(std::string_view payload, std::size_t count) {
    return add("data_close_early after " + std::to_string(count) + " bytes",
               [bytes = std::string(payload.substr(0, std::min(count, payload.size())))](
                   Impl& s) { return s.data_close_early(bytes); });
}

void ScriptedServer::start(Millis accept_bound) {
    if (impl_->thread.joinable()) {
        impl_->fail("start() called twice");
        return;
    }
    impl_->thread = std::thread([impl = impl_.get(), accept_bound] { impl->run(accept_bound); });
}

bool ScriptedServer::wait_done(Millis bound) {
    std::unique_lock lock(impl_->mutex);
    impl_->done_changed.wait_for(lock, bound, [this] { return impl_->finished; });
    return impl_->finished && impl_->completed;
}

std::vector<std::string> ScriptedServer::failures() const {
    const std::lock_guard lock(impl_->mutex);
    return impl_->failures;
}

std::vector<std::string> ScriptedServer::received_lines() const {
    std::vector<std::string> lines;
    const std::string bytes = received_bytes();
    std::string_view rest = bytes;
    for (std::size_t lf = rest.find('\n'); lf != std::string_view::npos; lf = rest.find('\n')) {
        std::string_view line = rest.substr(0, lf);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        rest.remove_prefix(lf + 1);
    }
    return lines;
}

std::string ScriptedServer::received_bytes() const {
    const std::lock_guard lock(impl_->mutex);
    return impl_->received;
}

std::string ScriptedServer::urgent_bytes() const {
    const std::lock_guard lock(impl_->mutex);
    std::string bytes;
    for (const auto& u : impl_->urgent) {
        bytes += u.byte;
    }
    return bytes;
}

std::vector<std::size_t> ScriptedServer::urgent_offsets() const {
    const std::lock_guard lock(impl_->mutex);
    std::vector<std::size_t> offsets;
    for (const auto& u : impl_->urgent) {
        offsets.push_back(u.offset.value_or(impl_->received.size()));
    }
    return offsets;
}

std::string ScriptedServer::received_with_urgent() const {
    const std::lock_guard lock(impl_->mutex);
    std::string bytes = impl_->received;
    // Back to front, so earlier offsets stay valid.
    for (auto it = impl_->urgent.rbegin(); it != impl_->urgent.rend(); ++it) {
        const std::size_t at = std::min(it->offset.value_or(bytes.size()), bytes.size());
        bytes.insert(at, 1, it->byte);
    }
    return bytes;
}

std::vector<std::string> ScriptedServer::data_received() const {
    const std::lock_guard lock(impl_->mutex);
    return impl_->data_received;
}

}  // namespace varnix::test
