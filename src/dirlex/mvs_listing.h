// IBM MVS and z/OS data set lists ("Volume Unit Referred Ext Used Recfm Lrecl BlkSz Dsorg
// Dsname"), with migrated, VSAM and pseudo-directory entries, and the member lists of
// partitioned data sets (ISPF statistics, load modules, bare names).
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_mvs_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

// A member name alone on its line, for a listing known to be MVS.
[[nodiscard]] bool parse_mvs_bare_member(std::string_view line, ListEntry& out);

}  // namespace varnix::dirlex
