// VMS lines (UCX, MultiNet, TCPware): "NAME.EXT;1  213/216  29-JAN-1996 03:33:12
// [GROUP,OWNER]  (RWED,RWED,RE,)". Sizes are in 512-byte blocks; directories are
// NAME.DIR;1 and come out as NAME. Long names push the details onto a second line.
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_vms_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

// A wrapped entry handed over as one string: the name, a line break, the details.
[[nodiscard]] bool parse_vms_wrapped(std::string_view line, const ParseContext& ctx, ListEntry& out);

// With a name kept from the previous line, tries the two lines as one entry.
[[nodiscard]] bool parse_vms_continuation(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
