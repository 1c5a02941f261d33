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

// The control socket, or -1 after any failure (the socket is then closed).
[[nodiscard]] int logon(NetContext& ctx);

}  // namespace varnix
