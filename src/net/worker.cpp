// Worker registration, cross-thread cancel and the busy state.
#include "net/worker.h"

#include "net/control_connection.h"

namespace varnix {

WorkerScope::WorkerScope(NetContext& ctx) : ctx_(ctx) {
    install_blocking_hook(ctx_);
    auto state = this_thread_blocking_state();
    state->clear_requested_cancel();
    ctx_.stop_requested = false;
    std::lock_guard lock(ctx_.worker_mutex);
    ctx_.worker_state = std::move(state);
}

WorkerScope::~WorkerScope() {
    std::lock_guard lock(ctx_.worker_mutex);
    ctx_.worker_state.reset();
}

bool cancel_worker(NetContext& ctx) {
    std::shared_ptr<BlockingState> worker;
    {
        std::lock_guard lock(ctx.worker_mutex);
        worker = ctx.worker_state;
    }
    if (!worker) return false;
    ctx.cancel_requested = true;
    ctx.stop_requested = true;
    worker->request_cancel();
    return true;
}

bool worker_running(NetContext& ctx) {
    std::lock_guard lock(ctx.worker_mutex);
    return ctx.worker_state != nullptr;
}

bool on_gui_thread(const NetContext& ctx) {
    return !ctx.services.invoker || ctx.services.invoker->on_gui_thread();
}

bool engine_busy(NetContext& ctx) {
    return ctx.busy_count.load() != 0 || is_transfer_thread_busy(ctx) != 0;
}

}  // namespace varnix
