// EPLF lines (the Easily Parsed LIST Format): "+i8388621.48594,m825718503,r,s280,\tname".
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_eplf_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
