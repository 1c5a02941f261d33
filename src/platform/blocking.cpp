// The wait primitive, per-thread blocking hooks and cancel.
#include "platform/blocking.h"

#include <cerrno>
#include <poll.h>

#include "platform/clock.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

constexpr int slice_ms = 20;
constexpr int hook_calls_per_slice = 64;

thread_local std::shared_ptr<BlockingState> thread_state;

}  // namespace

// Marks the calling thread as inside a blocking call for its lifetime.
class BlockingCall {
public:
    explicit BlockingCall(BlockingState& state) : state_(state) {
        if (state_.depth_.fetch_add(1) == 0) state_.cancel_.store(false);
    }
    ~BlockingCall() { state_.depth_.fetch_sub(1); }
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;
    [[nodiscard]] bool cancelled() const { return state_.cancel_.load(); }

private:
    BlockingState& state_;
};

bool BlockingState::cancel() {
    if (depth_.load() == 0) return false;
    cancel_.store(true);
    return true;
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

WaitResult wait_socket(int fd, short events, int timeout_ms, short* revents) {
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
            set_last_socket_error(wsa::cancelled);
            return WaitResult::Cancelled;
        }
        int slice = slice_ms;
        if (deadline >= 0) {
            const std::int64_t left = deadline - tick_count();
            if (left <= 0) return WaitResult::TimedOut;
            if (left < slice) slice = static_cast<int>(left);
        }
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, slice);
        if (n < 0) {
            if (errno == EINTR) continue;
            set_last_socket_error(wsa_error_from_errno(errno));
            return WaitResult::Failed;
        }
        if (n > 0) {
            if (revents) *revents = p.revents;
            if (p.revents & POLLNVAL) {
                set_last_socket_error(wsa::not_socket);
                return WaitResult::Failed;
            }
            return WaitResult::Ready;  // errors and hang-ups show in the following call
        }
    }
}

}  // namespace varnix
