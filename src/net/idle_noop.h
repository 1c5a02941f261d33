// The idle NOOP: a connection left quiet in the window for the IDLENOOP seconds gets a NOOP,
// so a server with a short idle time-out does not close it under the user.
#pragma once

#include <cstdint>

#include "net/net_context.h"

namespace varnix {

// On the GUI thread, from a periodic timer: sends NOOP when IDLENOOP is above 0, a session
// is open, nothing uses the connection (no command, listing or worker) and no command went
// out for that long. True when a NOOP was sent.
bool send_idle_noop(NetContext& ctx, std::int64_t now_ms);

}  // namespace varnix
