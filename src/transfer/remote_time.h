// After a download: the local file takes the server's modification time (MDTM), so a copy
// shows when the file was last changed, not when it was fetched.
#pragma once

#include <string>

#include "transfer/transfer_context.h"

namespace varnix {

// With the MDTM option on and a server whose FEAT lists MDTM: asks for the time of
// `remote_name` and sets it on `local_path`. True when the time was set; a server without
// MDTM, a refusal or an unreadable answer leaves the file as it is.
bool apply_remote_time(TransferContext& ctx, const std::string& remote_name,
                       const std::string& local_path);

}  // namespace varnix
