// The wait primitive, per-thread blocking hooks and cancel.
#include "platform/blocking.h"

#include <cerrno>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

constexpr int slice_ms = 20;
constexpr int hook_calls_per_slice = 64;

thread_local std::shared_ptr<BlockingState> thread_state;

}  // namespace

// Marks the calling thread as inside a blocking call for its lifetime. The outermost call
// takes a cancel requested from another thread while none was in progress.
class BlockingCall {
public:
    explicit BlockingCall(BlockingState& state) : state_(state) {
        if (state_.depth_.fetch_add(1) == 0) state_.cancel_.store(state_.requested_.load());
    }
    ~BlockingCall() { state_.depth_.fetch_sub(1); }
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;
    [[nodiscard]] bool cancelled() const { return state_.cancel_.load() || state_.requested_.load(); }
    // A cancel ends exactly one wait: the next one starts clean.
    void consume_cancel() {
        state_.requested_.store(false);
        state_.cancel_.store(false);
    }

private:
    BlockingState& state_;
};

bool BlockingState::cancel() {
    if (depth_.load() == 0) return false;
    cancel_.store(true);
    return true;
}

void BlockingState::request_cancel() {
    requested_.store(true);
    cancel_.store(true);
}

std::shared_ptr<BlockingState> this_thread_blocking_state() {
    if (!thread_state) thread_state = std::make_shared<BlockingState>();
    return thread_state;
}

void install_thread_blocking_hook(BlockingHook hook) {
    this_thread_blocking_state()->hook_ = std::move(hook);
}

bool run_blocking_hook() {
    auto state = this_thread_blocking_state();
    if (!state->hook_) return false;
    return state->hook_();
}

bool is_blocking() { return this_thread_blocking_state()->is_blocking(); }

bool cancel_blocking_call() { return this_thread_blocking_state()->cancel(); }

namespace {

// The loop every wait runs: the hook, the cancel check, the deadline, then one slice of
// `step`, which returns a result to end the wait or nothing to go on.
template <typename Step>
WaitResult wait_loop(int timeout_ms, Step step) {
    auto state = this_thread_blocking_state();
    if (state->is_blocking()) {
        set_last_socket_error(wsa::in_progress);
        return WaitResult::Failed;
    }
    BlockingCall call(*state);
    const std::int64_t deadline = timeout_ms < 0 ? -1 : tick_count() + timeout_ms;
    for (;;) {
        // Let the hook run first: it may deliver the Cancel or the time-out tick.
        for (int i = 0; i < hook_calls_per_slice && run_blocking_hook(); ++i) {
            if (call.cancelled()) break;
        }
        if (call.cancelled()) {
            call.consume_cancel();
            set_last_socket_error(wsa::cancelled);
            return WaitResult::Cancelled;
        }
        int slice = slice_ms;
        if (deadline >= 0) {
            const std::int64_t left = deadline - tick_count();
            if (left <= 0) return WaitResult::TimedOut;
            if (left < slice) slice = static_cast<int>(left);
        }
        if (const std::optional<WaitResult> done = step(slice)) return *done;
    }
}

}  // namespace

WaitResult wait_socket(int fd, short events, int timeout_ms, short* revents) {
    return wait_loop(timeout_ms, [&](int slice) -> std::optional<WaitResult> {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, slice);
        if (n < 0) {
            if (errno == EINTR) return std::nullopt;
            set_last_socket_error(wsa_error_from_errno(errno));
            return WaitResult::Failed;
        }
        if (n == 0) return std::nullopt;
        if (revents) *revents = p.revents;
        if (p.revents & POLLNVAL) {
            set_last_socket_error(wsa::not_socket);
            return WaitResult::Failed;
        }
        return WaitResult::Ready;  // errors and hang-ups show in the following call
    });
}

bool wait_ready(int fd, short events, int timeout_ms) {
    switch (wait_socket(fd, events, timeout_ms)) {
        case WaitResult::Ready: return true;
        case WaitResult::TimedOut: set_last_socket_error(wsa::timed_out); return false;
        case WaitResult::Cancelled:
        case WaitResult::Failed: return false;
    }
    return false;
}

WaitResult wait_until(const std::function<bool()>& done, int timeout_ms) {
    return wait_loop(timeout_ms, [&](int slice) -> std::optional<WaitResult> {
        if (done()) return WaitResult::Ready;
        (void)::poll(nullptr, 0, slice);
        return std::nullopt;
    });
}

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
    if (fd_ >= 0) ::close(fd_);
}

void WakeEvent::signal() {
    const std::uint64_t one = 1;
    if (fd_ >= 0) (void)!::write(fd_, &one, sizeof one);
}

bool WakeEvent::signalled() const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

WaitResult WakeEvent::wait(int timeout_ms) {
    if (fd_ < 0) {
        set_last_socket_error(wsa::no_buffers);
        return WaitResult::Failed;
    }
    return wait_socket(fd_, POLLIN, timeout_ms);
}

}  // namespace varnix
