// IBM OS/2 server lines: "     73098      A          04-06-97   15:22  ZIP.EXE" and
// "         0           DIR   12-18-96   14:32  DIRNAME" (size, attributes, date, time).
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_os2_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
