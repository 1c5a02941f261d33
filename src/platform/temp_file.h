// Temporary files: a new empty file with a name prefix in the temporary folder ($TMPDIR,
// default /tmp), private to the user.
#pragma once

#include <string>
#include <string_view>

namespace varnix {

// The path of a newly created empty file, or "" when none could be made.
[[nodiscard]] std::string make_temp_file(std::string_view prefix);

}  // namespace varnix
