// UNIX `ls -l` lines and their imitations (Mac servers, Windows servers in UNIX mode,
// embedded systems): permissions, optional link count, owner, group, size, date, name.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_unix_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
