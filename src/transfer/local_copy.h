// Files dropped on the local file list from another program: copied into the local pane's
// folder on the worker thread, a piece at a time so that Cancel ends a long copy.
#pragma once

#include <string>
#include <vector>

#include "transfer/multi_transfer.h"
#include "transfer/transfer_context.h"

namespace varnix {

// Copies each file named by absolute path into the local folder under its own name, replacing
// a file of that name. A copy goes into a hidden scratch file first and is renamed into place
// only when whole, so a failed or cancelled copy leaves the old file as it was. Folders, files
// already in the folder and files that have gone are passed over with a message. The stop
// flag ends the run (the file being copied is abandoned). Then the local pane is listed anew
// through `hooks`. Returns the number of files copied.
int copy_into_local_dir(TransferContext& ctx, const PaneHooks& hooks, const std::vector<std::string>& paths);

}  // namespace varnix
