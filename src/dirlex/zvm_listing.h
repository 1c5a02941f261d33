// IBM z/VM (CMS) lines: "PROFILE  EXEC     V         68         16          1 1999-03-29
// 10:09:22 SYS193" (file name, type, format, record length, records, blocks, date, time,
// label), FILELIST layouts with a mode column ("A1"), directories with dashes, and the byte
// file system's "05/20/2000 13:38:19 F 1 65758 'name'". The entry's name is "PROFILE.EXEC",
// the form the server takes back.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_zvm_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
