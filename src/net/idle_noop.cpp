// The idle NOOP.
#include "net/idle_noop.h"

#include "net/control_connection.h"
#include "net/worker.h"
#include "platform/blocking.h"

namespace varnix {

bool send_idle_noop(NetContext& ctx, std::int64_t now_ms) {
    const std::int64_t idle_ms = static_cast<std::int64_t>(ctx.settings.idle_noop) * 1000;
    if (idle_ms <= 0 || !ctx.connected || !ctx.control.is_open()) return false;
    // Busy, or called from inside another wait of this thread (a timer run by the blocking
    // hook, a modal question): a NOOP now would cut into the exchange in progress.
    if (engine_busy(ctx) || is_blocking()) return false;
    if (now_ms - ctx.last_command_tick < idle_ms) return false;
    (void)send_command(ctx, "NOOP");
    return true;
}

}  // namespace varnix
