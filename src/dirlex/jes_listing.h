// The JES job lists of MVS and z/OS (SITE FILETYPE=JES): "JOBNAME JOBID OWNER STATUS
// CLASS ..." and the older "JOBNAME JOBID STATUS ...". A job is retrieved by its id,
// so the id is the entry's name. The spool files listed under one job are named by DD name.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_jes_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
