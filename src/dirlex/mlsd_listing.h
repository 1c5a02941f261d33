// MLSD and MLST fact lines (RFC 3659): "type=file;size=1234;modify=20240105143012; name".
// The entries for the listed directory itself (cdir) and its parent (pdir) are skipped.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_mlsd_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

// A line with an empty fact list (" name", "; name"), for a listing known to be MLSD.
[[nodiscard]] bool parse_mlsd_without_facts(std::string_view line, ListEntry& out);

}  // namespace varnix::dirlex
