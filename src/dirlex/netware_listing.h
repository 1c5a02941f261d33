// Novell NetWare lines: "d [RWCEAFMS] owner  512  Jan 16 18:53    name", the trustee
// rights in brackets instead of UNIX modes and the name padded into its column.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_netware_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
