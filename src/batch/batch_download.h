// One batch download: fetched whole, or with -resume continued from the local file's size,
// and what is said when a stop signal cut it short.
#pragma once

#include <string>

#include "batch/batch_context.h"
#include "batch/batch_result.h"

namespace varnix {

// Fetches `remote` (the name as RETR takes it) into `local`. Done when the local file is
// complete and the server confirmed it (or, with -resume, the local file already was as long
// as the remote one). After a stop signal: never Done, and the bytes kept are reported.
[[nodiscard]] BatchStep download_file(BatchContext& ctx, const std::string& remote,
                                      const std::string& local, TransferMode mode);

// The size SIZE reports for `remote` (in the current TYPE), or -1.
[[nodiscard]] std::int64_t remote_file_size(BatchContext& ctx,
                                            const std::string& remote);

}  // namespace varnix
