// Single-file transfers: get and put over a passive or active data connection with the
// TYPE bookkeeping, the restarted get, and the pane-level download_one / upload_one.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/transfer_context.h"

namespace varnix {

// `command` holds "RETR name" (or a listing command); the class of the completion reply,
// 0 when nothing could be started. The receive loop's outcome is in transfer.receive_result.
int get_file(TransferContext& ctx, int control_socket, std::string& command,
             const std::string& local_path, int mode);
// `command` holds "STOR name"; it may be rewritten to STOU.
int put_file(TransferContext& ctx, int control_socket, std::string& command,
             const std::string& local_path, int mode);
// REST offset, then RETR of the joined remote path into the open, positioned file.
int restart_get(TransferContext& ctx, int control_socket, int file, const std::string& remote_dir,
                const std::string& remote_name, std::int64_t offset);

// "RETR USER.DATA" becomes "RETR 'USER.DATA'".
void quote_argument(std::string& command);

// The result of get_file / put_file, or 2 when the user cancelled the name prompt.
int download_one(TransferContext& ctx, const std::string& remote_name, unsigned index,
                 unsigned count, bool prompt);
int upload_one(TransferContext& ctx, const std::string& local_name, unsigned index,
               unsigned count, bool prompt);

// Whether a download_one finished the file: the data arrived whole and the server said so.
[[nodiscard]] bool download_complete(const TransferContext& ctx, int result);

}  // namespace varnix
