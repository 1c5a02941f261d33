// HP NonStop (Tandem) Guardian lines: "ALTERN   0   5048  15-Jun-07 10:52:57 255,255 \"oooo\""
// (name, file code, end-of-file size, modification time, owner, security).
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_tandem_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
