// Wind River VxWorks lines: "   41884     Aug-21-2003  11:10:04   dirtest.o" and
// "     512     Aug-21-2003  11:11:08   subdir        <DIR>".
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_vxworks_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
