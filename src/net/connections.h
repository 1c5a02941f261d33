// The control and data connections as objects: each owns its stream and what belongs to that
// one connection, and may be shut down from another thread while its owner uses it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "net/features.h"
#include "platform/stream.h"

namespace varnix {

// Takes a connection's stream and returns the one to use from now on (a TLS stream over it),
// or nullptr when that failed (the old stream is then gone too).
using StreamWrapper = std::function<std::unique_ptr<Stream>(std::unique_ptr<Stream>)>;

// One owned stream. The thread that opened it reads, writes, wraps and closes it; any other
// thread may only shut it down (to end a blocked read or write). The guard makes that safe:
// the stream is never closed or replaced under a shutdown, so a shutdown can never reach a
// descriptor number already handed to another socket.
class StreamSlot {
public:
    StreamSlot() = default;
    ~StreamSlot();
    StreamSlot(const StreamSlot&) = delete;
    StreamSlot& operator=(const StreamSlot&) = delete;

    // Any thread.
    [[nodiscard]] bool is_open() const { return open_.load(); }
    // Any thread: the descriptor under the stream, -1 when none.
    [[nodiscard]] int descriptor() const { return descriptor_.load(); }
    // Any thread: shuts the stream down, waking its owner's blocked read or write.
    void shutdown_any_thread(ShutdownHow how = ShutdownHow::Both) const;

    // Owner only, and only while open.
    [[nodiscard]] Stream& stream() { return *stream_; }
    // Owner: takes a stream (an open one is closed first, silently).
    void open(std::unique_ptr<Stream> stream);
    // Owner: replaces the stream in place through `wrap`. A shutdown from another thread
    // while `wrap` runs is not seen (a cancel is: `wrap` waits through the wait primitive).
    // False when `wrap` gave no stream: the slot is closed then.
    bool wrap_stream(const StreamWrapper& wrap);
    // Owner: closes the stream. 0 (also when none was open), or -1 with the last socket
    // error set; the stream is gone either way.
    int close();

private:
    void set(std::unique_ptr<Stream> stream);
    [[nodiscard]] std::unique_ptr<Stream> take();

    mutable std::mutex mutex_;  // held while stream_ changes and while another thread shuts down
    std::unique_ptr<Stream> stream_;
    std::atomic<int> descriptor_{-1};
    std::atomic<bool> open_{false};
};

// What belongs to one control connection and must not outlive it: bytes of the last reply
// left for the next read (a late "226" of a closed connection read as the next server's
// greeting made the logon answer it with USER and skip PASS), and the TYPE last sent.
struct ControlState {
    // Bytes received after the end of the last line, kept for the next line read.
    std::string remainder;
    bool greeting = false;         // set while the logon reads the server's greeting
    bool last_line_ended = true;   // whether the last line read ended with its LF
    // The type last sent with TYPE: 'A' for a new connection, so it always gets the TYPE its
    // first transfer needs.
    char current_type = 'A';
    // What FEAT said this server offers; asked once after each logon.
    ServerFeatures features;
    // The server refused MLSD as a command it does not know: list with LIST from then on.
    bool mlsd_refused = false;
};

// The control connection: its stream and its state. Opening and closing start a fresh state.
class ControlConnection : public StreamSlot {
public:
    void open(std::unique_ptr<Stream> stream) {
        state_ = ControlState{};
        StreamSlot::open(std::move(stream));
    }
    int close() {
        state_ = ControlState{};
        return StreamSlot::close();
    }
    // Owner: the connection's state (kept by wrap_stream).
    [[nodiscard]] ControlState& state() { return state_; }
    [[nodiscard]] const ControlState& state() const { return state_; }

private:
    ControlState state_;
};

// The data connection of the transfer in progress, and the listener of an active one (kept
// here so that a forced abort can shut both down from the window's thread).
class DataConnection : public StreamSlot {
public:
    StreamSlot listener;
};

}  // namespace varnix
