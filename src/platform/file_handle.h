// An open file descriptor owned by one scope (closed when it goes out of scope), and a write
// that finishes what it starts.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace varnix {

class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) (void)::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool valid() const { return fd_ >= 0; }
    // Closes now, for a caller that must know whether the last writes reached the file.
    [[nodiscard]] bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all of `data` to a file, going on after interrupted or partial writes; false on an
// error (errno tells which).
inline bool write_all(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace varnix
