// The logon: opens the control connection for the current Session, reads the greeting,
// logs on directly or through one of the seven firewall types, and sends the initial
// commands.
#pragma once

#include "net/net_context.h"

namespace varnix {

inline constexpr const char* program_title = "VARNIX32 Pro";

// Help topics of the logon's prompts.
inline constexpr int help_user_password = 80;
inline constexpr int help_firewall_password = 82;
inline constexpr int help_account = 85;

// TCP keep-alive on the control connection: a probe after a minute of silence (well below
// the few minutes after which NAT boxes drop idle mappings), then every 15 s, four in all.
inline constexpr int keepalive_idle_s = 60;
inline constexpr int keepalive_interval_s = 15;
inline constexpr int keepalive_probes = 4;

// True with ctx.control open and logged on; false after any failure (the connection is
// then closed).
[[nodiscard]] bool logon(NetContext& ctx);

}  // namespace varnix
