// The stop-signal flag, its handlers and the blocking hook that acts on it.
#include "batch/stop_signals.h"

#include <atomic>
#include <csignal>

#include "net/control_connection.h"
#include "platform/blocking.h"

namespace varnix {

namespace {

// Written by the handler, read by the hook: the only thing a handler may safely do.
std::atomic<int> received_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void record_stop_signal(int signal) { received_signal.store(signal); }

}  // namespace

void install_stop_signal_handlers() {
    struct sigaction action {};
    action.sa_handler = record_stop_signal;
    sigemptyset(&action.sa_mask);
    // The second Ctrl+C of an impatient user ends the program the usual way.
    action.sa_flags = SA_RESETHAND;
    (void)::sigaction(SIGINT, &action, nullptr);
    (void)::sigaction(SIGTERM, &action, nullptr);
}

int stop_signal() { return received_signal.load(); }

void reset_stop_signal() { received_signal.store(0); }

void install_batch_blocking_hook(BatchContext& ctx) {
    bool cancelled_once = false;
    install_blocking_hook(ctx, [&ctx, cancelled_once]() mutable {
        if (stop_signal() == 0) return false;
        if (!cancelled_once) {
            cancelled_once = true;
            ctx.cancel_requested = true;
            (void)cancel_blocking_call();
            return true;
        }
        // Outside a wait the hook runs between the chunks of a transfer loop, which clears
        // the cancel request when it starts: keep it set, so no loop runs on after the signal.
        if (!is_blocking()) ctx.cancel_requested = true;
        return false;
    });
}

}  // namespace varnix
