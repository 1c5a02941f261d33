// Batch transfers: from a command line or a batch file, log on, move one file or every file
// that matches a wildcard, close, and say how it went.
#pragma once

#include <string>
#include <string_view>

#include "batch/batch_context.h"
#include "batch/batch_result.h"

namespace varnix {

enum class BatchDirection : int { Download = 0, Upload = 1 };

// Interactive when the run left the program connected in a remote directory; for a batch
// file, Failed when any of its jobs failed.
[[nodiscard]] BatchResult run_batch(BatchContext& ctx, std::string_view rest);
[[nodiscard]] BatchResult run_batch_transfer(BatchContext& ctx, const std::string& source,
                                             const std::string& destination);
// Done only when the file arrived (or was sent) whole and the server confirmed it; NotAFile
// when a download source has no file name. A wildcard goes to transfer_matching.
[[nodiscard]] BatchStep transfer_by_address(BatchContext& ctx, const std::string& source,
                                            std::string destination, BatchDirection direction,
                                            TransferMode mode);
// Failed when the source has no directory part or the destination names a file, or at the
// first file that fails. A download whose CWD succeeds is Done even when no name matches.
[[nodiscard]] BatchStep transfer_matching(BatchContext& ctx, const std::string& source,
                                          const std::string& destination, BatchDirection direction,
                                          TransferMode mode);

}  // namespace varnix
