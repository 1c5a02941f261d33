// Microware OS-9 lines: "  0.78   21/09/07 1530  --e--e-r   12F3B     18234 startup"
// (owner group.user, date YY/MM/DD, time HHMM, attributes, sector, byte count, name).
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_os9_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
