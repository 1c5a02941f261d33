// Byte streams: the only place bytes cross the network. Every read and write waits through
// the one wait primitive (blocking hook, cancel, time-out). SocketStream is plain TCP; a TLS
// stream will implement the same interface over a SocketStream, so callers do not change.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace varnix {

enum class ShutdownHow { Read, Write, Both };

class Stream {
public:
    virtual ~Stream() = default;
    // Receives at most `length` bytes once some are there, waiting at most timeout_ms (-1: no
    // limit): the count, 0 at an orderly close, -1 with the last socket error set (a time-out
    // gives timed_out, a cancel "Blocking call cancelled").
    [[nodiscard]] virtual ssize_t read(char* data, std::size_t length, int timeout_ms = -1) = 0;
    // Only what is already there, without waiting: the count, 0 when nothing waits or at a
    // close, -1.
    [[nodiscard]] virtual ssize_t read_available(char* data, std::size_t length) = 0;
    // Whether a read would return at once.
    [[nodiscard]] virtual bool readable_now() const = 0;
    // Sends once the stream can take data, waiting at most timeout_ms: the count sent (maybe
    // fewer than asked), or -1 with the last socket error set.
    [[nodiscard]] virtual ssize_t write(const char* data, std::size_t length, int timeout_ms = -1) = 0;
    // Sends urgent (out-of-band) bytes: the count, or -1.
    [[nodiscard]] virtual ssize_t write_urgent(const char* data, std::size_t length) = 0;
    // Any thread: shuts a direction down, waking a thread blocked on the stream.
    virtual void shutdown(ShutdownHow how) = 0;
    // Makes the next close abortive (a reset): the peer sees a failure, not an end of file.
    virtual void set_abortive_close() = 0;
    // The descriptor the stream runs over (socket options, addresses), -1 when none.
    [[nodiscard]] virtual int descriptor() const = 0;
    // Closes the stream (once; later calls return 0): 0, or -1 with the last socket error
    // set. Afterwards descriptor() is -1. The owner's thread only: another thread may use
    // shutdown, never close, since the descriptor's number is free for reuse once closed.
    virtual int close() = 0;
};

// A TCP socket as a stream. It owns the socket and closes it when dropped.
class SocketStream final : public Stream {
public:
    explicit SocketStream(int fd) : fd_(fd) {}
    ~SocketStream() override { (void)close(); }
    SocketStream(SocketStream&& other) noexcept : fd_(other.release()) {}
    SocketStream& operator=(SocketStream&& other) noexcept;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;
    [[nodiscard]] ssize_t read(char* data, std::size_t length, int timeout_ms = -1) override;
    [[nodiscard]] ssize_t read_available(char* data, std::size_t length) override;
    [[nodiscard]] bool readable_now() const override;
    [[nodiscard]] ssize_t write(const char* data, std::size_t length, int timeout_ms = -1) override;
    [[nodiscard]] ssize_t write_urgent(const char* data, std::size_t length) override;
    void shutdown(ShutdownHow how) override;
    void set_abortive_close() override;
    [[nodiscard]] int descriptor() const override { return fd_; }
    int close() override;
    // Gives the socket up without closing it: its descriptor.
    [[nodiscard]] int release();

private:
    int fd_;
};

}  // namespace varnix
