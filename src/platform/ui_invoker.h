// Calls from the worker thread onto the GUI thread: a queued call the caller waits for (the
// cross-thread SendMessage the engine was written against) and a queued call it does not.
#pragma once

#include <functional>

namespace varnix {

class UiInvoker {
public:
    virtual ~UiInvoker() = default;

    // Any thread: whether the calling thread is the GUI thread.
    [[nodiscard]] virtual bool on_gui_thread() const = 0;
    // Any thread: queues `fn` to run on the GUI thread later and returns at once. The GUI
    // thread runs queued calls in order, from its event loop or its blocking hook.
    virtual void post(std::function<void()> fn) = 0;
    // GUI thread: runs the calls queued so far, for an implementation without an event loop
    // of its own (the headless one); true when one ran. The blocking hook calls it.
    virtual bool run_pending() { return false; }

    // Any thread: runs `fn` on the GUI thread and waits until it has run; on the GUI thread
    // itself it runs at once. The wait is a blocking call of the caller's thread, so its
    // hook runs and cancel_worker() ends it: false when it was cancelled before `fn` started
    // (`fn` then never runs) or the wait could not be made.
    [[nodiscard]] bool call(const std::function<void()>& fn);
};

// Any thread: runs `fn` through the invoker when there is one and the caller is not on the
// GUI thread, else at once. For calls whose answer the caller needs; false as for call().
[[nodiscard]] bool run_on_gui_thread(UiInvoker* invoker, const std::function<void()>& fn);
// Any thread: the same without waiting (notifications, display updates).
void post_to_gui_thread(UiInvoker* invoker, std::function<void()> fn);

}  // namespace varnix
