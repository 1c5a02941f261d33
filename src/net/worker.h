// The engine's side of the threading contract (window_interface.h): the worker thread's
// registration, the GUI's Cancel of the worker's blocking wait, and the busy state the window
// greys its commands by.
#pragma once

#include "net/net_context.h"

namespace varnix {

// Worker thread: made first thing in the worker routine. Registers the thread's blocking
// state so cancel_worker() can reach it, installs the thread's blocking hook, and starts with
// no cancel or stop left from an earlier run; the registration ends with the scope.
class WorkerScope {
public:
    explicit WorkerScope(NetContext& ctx);
    ~WorkerScope();
    WorkerScope(const WorkerScope&) = delete;
    WorkerScope& operator=(const WorkerScope&) = delete;

private:
    NetContext& ctx_;
};

// Any thread (the GUI's Cancel): sets cancel_requested and the stop flag and ends the
// worker's blocking wait in progress, or the next one it starts when it is between two
// waits. False when no worker runs.
bool cancel_worker(NetContext& ctx);

// Any thread: whether a worker is registered.
[[nodiscard]] bool worker_running(NetContext& ctx);

// Any thread: whether the caller is the GUI thread (true without an invoker: one thread).
[[nodiscard]] bool on_gui_thread(const NetContext& ctx);

// Any thread: whether the engine is busy (a command, reply or transfer in progress, or a
// worker or remote listing running). The window reads it in events.on_busy_changed.
[[nodiscard]] bool engine_busy(NetContext& ctx);

}  // namespace varnix
