// Host-type detection: from greeting and logon lines, from SYST and from HELP, and the
// optional remote commands (make, remove directory, rename, delete) the server offers.
#pragma once

#include <string_view>

#include "dirlex/dirlex.h"
#include "net/net_context.h"

namespace varnix {

// Stage 1: offers a greeting or logon line to the listing library while the type is
// automatic. Returns the session's host type.
int detect_from_line(NetContext& ctx, std::string_view line);

// Stages 2 and 3 (SYST, then HELP while still automatic) and the availability flags.
void probe_host_type(NetContext& ctx);

}  // namespace varnix
