// The waiting call onto the GUI thread, built on the implementation's post().
#include "platform/ui_invoker.h"

#include <memory>
#include <mutex>
#include <poll.h>

#include "platform/blocking.h"

namespace varnix {

namespace {

// What the caller and the GUI thread share for one call; outlives whichever side leaves first.
struct PendingCall {
    std::mutex mutex;
    bool started = false;
    bool abandoned = false;
    bool finished = false;
    WakeEvent done;

    // The waiter takes the lock once the wake-up came: what the GUI thread wrote while
    // running the call is then ordered before what the waiter reads (the event alone is a
    // wake-up, not an ordering the thread checkers know).
    void join() {
        std::lock_guard lock(mutex);
        (void)finished;
    }
};

}  // namespace

bool UiInvoker::call(const std::function<void()>& fn) {
    if (on_gui_thread()) {
        fn();
        return true;
    }
    auto pending = std::make_shared<PendingCall>();
    post([pending, &fn] {
        {
            std::lock_guard lock(pending->mutex);
            if (pending->abandoned) return;
            pending->started = true;
        }
        fn();
        {
            std::lock_guard lock(pending->mutex);
            pending->finished = true;
        }
        pending->done.signal();
    });
    for (;;) {
        const WaitResult waited = pending->done.wait();
        if (waited == WaitResult::Ready) {
            pending->join();
            return true;
        }
        {
            std::lock_guard lock(pending->mutex);
            if (!pending->started) {
                // Cancelled before the GUI thread took it: it must never run now, since `fn`
                // refers to the caller's stack.
                pending->abandoned = true;
                return false;
            }
        }
        // Already running on the GUI thread and referring to our stack: wait for its end.
        // A GUI call is short; a cancel arriving now cannot shorten it. A wait that could
        // not be made at all (called inside this thread's own blocking call) waits plainly.
        if (waited == WaitResult::Failed) {
            while (!pending->done.signalled()) (void)::poll(nullptr, 0, 1);
            pending->join();
            return true;
        }
    }
}

bool run_on_gui_thread(UiInvoker* invoker, const std::function<void()>& fn) {
    if (!invoker) {
        fn();
        return true;
    }
    return invoker->call(fn);
}

void post_to_gui_thread(UiInvoker* invoker, std::function<void()> fn) {
    if (!invoker || invoker->on_gui_thread()) {
        fn();
        return;
    }
    invoker->post(std::move(fn));
}

}  // namespace varnix
