// Windows and DOS style lines (IIS, Windows `dir`, many PC servers):
// "01-16-02  11:14AM       <DIR>          name" and "2019-01-05  14:30   1,234 name".
#pragma once

#include "dirlex/dialect.h"

namespace varnix::dirlex {

[[nodiscard]] bool parse_dos_line(std::string_view line, const ParseContext& ctx, ListEntry& out);

}  // namespace varnix::dirlex
