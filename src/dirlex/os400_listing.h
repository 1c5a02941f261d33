// IBM OS/400 (IBM i) lines: "OWNER  77824 02/23/00 15:09:55 *DIR   QSYS/" and the
// member lines without size and date: "OWNER  *MEM   FILE.FILE/MBR.MBR".
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_os400_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
