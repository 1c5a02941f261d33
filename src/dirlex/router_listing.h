// Router listings: Nortel (Bay Networks) wfFtp prints "name  size  MM/DD/YY  Weekday.  HH:MM:SS",
// the name first and no permissions.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_router_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
