// The socket stream: the program's only recv, send and shutdown calls.
#include "platform/stream.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <utility>

#include "platform/blocking.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

ssize_t fail_with_errno() {
    set_last_socket_error(wsa_error_from_errno(errno));
    return -1;
}

}  // namespace

ssize_t SocketStream::read(char* data, std::size_t length, int timeout_ms) {
    for (;;) {
        if (!wait_ready(fd_, POLLIN, timeout_ms)) return -1;
        const ssize_t n = ::recv(fd_, data, length, MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return fail_with_errno();
    }
}

ssize_t SocketStream::read_available(char* data, std::size_t length) {
    const ssize_t n = ::recv(fd_, data, length, MSG_DONTWAIT);
    if (n >= 0) return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return fail_with_errno();
}

bool SocketStream::readable_now() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

ssize_t SocketStream::write(const char* data, std::size_t length, int timeout_ms) {
    for (;;) {
        if (!wait_ready(fd_, POLLOUT, timeout_ms)) return -1;
        const ssize_t n = ::send(fd_, data, length, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return fail_with_errno();
    }
}

ssize_t SocketStream::write_urgent(const char* data, std::size_t length) {
    const ssize_t n = ::send(fd_, data, length, MSG_OOB | MSG_NOSIGNAL);
    if (n < 0) return fail_with_errno();
    return n;
}

void SocketStream::shutdown(ShutdownHow how) {
    const int mode = how == ShutdownHow::Read ? SHUT_RD : how == ShutdownHow::Write ? SHUT_WR : SHUT_RDWR;
    (void)::shutdown(fd_, mode);
}

SocketStream& SocketStream::operator=(SocketStream&& other) noexcept {
    if (this != &other) {
        (void)close();
        fd_ = other.release();
    }
    return *this;
}

int SocketStream::release() { return std::exchange(fd_, -1); }

int SocketStream::close() {
    if (fd_ == -1) return 0;
    // The descriptor is gone whatever close() says (Linux frees it even on EINTR): never retry.
    return sock_close(release());
}

void SocketStream::set_abortive_close() {
    const linger abort_on_close{1, 0};
    (void)::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
}

}  // namespace varnix
