// Listing commands over a data connection into the listing file, and the command line a
// user types for the server.
#pragma once

#include <string>

#include "transfer/transfer_context.h"
#include "transfer/transfer_outcome.h"

namespace varnix {

// Runs a listing command ("LIST mask", "NLST pattern") as an ASCII download into the
// listing file, without sound, progress display or automatic mode.
[[nodiscard]] TransferOutcome fetch_listing(TransferContext& ctx, const std::string& command);

// A command typed by the user: LIST and NLST (exact case) go to the listing file, anything
// else is sent as it stands. The class of the last reply (0 when none was read).
[[nodiscard]] int raw_command(TransferContext& ctx, const std::string& text);

}  // namespace varnix
