// Batch transfers: from a command line or a batch file, log on, move one file or every file
// that matches a wildcard, close, and say how it went.
#pragma once

#include <string>
#include <string_view>

#include "batch/batch_context.h"

namespace varnix {

enum class BatchDirection : int { Download = 0, Upload = 1 };

// 2 when the run left the program connected for interactive use, else 0 or 1.
int run_batch(BatchContext& ctx, std::string_view rest);
// 1 transfer succeeded, 2 connected in a remote directory for interactive use, 0 failed.
int run_batch_transfer(BatchContext& ctx, const std::string& source, const std::string& destination);
// The completion class (2 success; 0 when the local file of a download was not written
// whole or that of an upload cannot be read), 6 when a download source has no file name, or
// the result of transfer_matching.
int transfer_by_address(BatchContext& ctx, const std::string& source,
                        std::string destination, BatchDirection direction, TransferMode mode);
int transfer_matching(BatchContext& ctx, const std::string& source,
                      const std::string& destination, BatchDirection direction, TransferMode mode);

}  // namespace varnix
