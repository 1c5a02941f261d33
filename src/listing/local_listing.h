// The local pane: listing the current directory into the local directory and file lists, and
// the plain-text dump of the current directory for the directory-information command.
#pragma once

#include <string>
#include <string_view>

#include "listing/listing_context.h"

namespace varnix {

// Refills the local lists from the local pane's directory (ctx.local_dir): the path box shows it, the
// directory list gets ".." and every folder, the file list every file matching the local mask
// ("*.*" when empty), in LFSORT order. LONGDIR adds the details, FORCLOW shows names in lower
// case (where that leaves them distinct). This platform has no drives, so no drive entries.
void list_local(ListingContext& ctx);

// Writes " Directory of <directory>", a blank line and one line per entry ("." and ".."
// included) to `path`. Returns 1, also when the file cannot be created (then nothing is written).
int write_local_directory_dump(const std::string& directory, const std::string& path);

// Makes `path` (absolute, or relative to the local pane's directory) the local pane's
// directory; false, leaving it unchanged, when it names no directory that can be listed.
[[nodiscard]] bool set_local_dir(ListingContext& ctx, std::string_view path);
// A local file's path: `name` itself when absolute, else inside the local pane's directory.
[[nodiscard]] std::string local_file_path(const ListingContext& ctx, std::string_view name);

}  // namespace varnix
