// Blocking calls as the program sees them: every socket wait runs in short poll() slices,
// and between slices the calling thread's blocking hook runs (on the GUI thread it processes
// pending events, so the window stays live) and the thread's cancel request is checked.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace varnix {

// Processes at most a few pending events of the calling thread; returns whether there were any.
using BlockingHook = std::function<bool()>;

// One per thread. Shared so that another thread (the GUI's Cancel, a forced abort) can
// cancel the owner's call: every member but the hook is safe from any thread.
class BlockingState {
public:
    [[nodiscard]] bool is_blocking() const { return depth_.load() > 0; }
    // Cancels the blocking call in progress; false when there is none.
    bool cancel();
    // Cancels the call in progress or, when the owner is between two waits, the next one it
    // starts: a Cancel from another thread must not fall into the gap between two waits.
    void request_cancel();
    // Forgets a requested cancel that no wait has taken yet (a new operation starts clean).
    void clear_requested_cancel() { requested_.store(false); }
    [[nodiscard]] bool cancel_requested() const { return requested_.load(); }

private:
    friend class BlockingCall;
    friend void install_thread_blocking_hook(BlockingHook hook);
    friend bool run_blocking_hook();
    std::atomic<int> depth_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> requested_{false};
    BlockingHook hook_;  // only the owning thread touches it
};

// The calling thread's state.
[[nodiscard]] std::shared_ptr<BlockingState> this_thread_blocking_state();

// Installs the hook for the calling thread (replacing any earlier one).
void install_thread_blocking_hook(BlockingHook hook);

// Runs the calling thread's hook once; false when there is none or it had nothing to do.
bool run_blocking_hook();

// Whether the calling thread is inside a blocking call (the hook runs inside it).
[[nodiscard]] bool is_blocking();

// Cancels the calling thread's blocking call; false when none is in progress.
bool cancel_blocking_call();

enum class WaitResult { Ready, Cancelled, TimedOut, Failed };

// The one wait primitive. Waits until `fd` has one of `events` (POLLIN, POLLOUT, POLLPRI),
// the thread's blocking call is cancelled, or `timeout_ms` passes (-1: no limit). A nested
// blocking call on the same thread fails at once with "Blocking operation in progress".
// On Cancelled/Failed the thread's last socket error is set.
[[nodiscard]] WaitResult wait_socket(int fd, short events, int timeout_ms = -1,
                                     short* revents = nullptr);

// wait_socket as a yes or no: false with the last socket error set when the wait did not end
// ready (a time-out gives "timed out").
[[nodiscard]] bool wait_ready(int fd, short events, int timeout_ms);

// A wake-up another thread can give: the waiting side sleeps in wait_socket on its
// descriptor, so its blocking hook keeps pumping and Cancel ends the wait.
class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    // Any thread, any number of times; the event stays signalled.
    void signal();
    [[nodiscard]] bool signalled() const;
    // Waits through wait_socket: Ready once signalled, else Cancelled, TimedOut or Failed.
    [[nodiscard]] WaitResult wait(int timeout_ms = -1);

private:
    int fd_;
};

// Waits in the same slices until `done()` holds: for a state another thread changes without
// a wake-up. `done` runs on the calling thread between slices.
[[nodiscard]] WaitResult wait_until(const std::function<bool()>& done, int timeout_ms = -1);

}  // namespace varnix
