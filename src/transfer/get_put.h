// Single-file transfers: get and put over a passive or active data connection with the
// TYPE bookkeeping, the restarted get, and the pane-level download_one / upload_one.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/transfer_context.h"
#include "transfer/transfer_outcome.h"

namespace varnix {

// The manual's section on the file lists and transfers: the help of their name questions.
inline constexpr int help_file_name = 220;

// The transfer mode chosen in the window or the options (the stored letter as the enum).
[[nodiscard]] inline TransferMode chosen_mode(const TransferContext& ctx) {
    return static_cast<TransferMode>(ctx.options.mode);
}

// `command` holds "RETR name" (or a listing command). Complete only when every byte arrived
// and the server confirmed it; reply_class is the completion reply's class, None when nothing
// could be started.
[[nodiscard]] TransferOutcome get_file(TransferContext& ctx,
                                       std::string& command, const std::string& local_path,
                                       TransferMode mode, const TransferRequest& request = {});
// `command` holds "STOR name"; it may be rewritten to STOU. An upload that stops before the
// end of the file (Cancel, time-out, send or read error) resets the data connection, so the
// server sees a failure, and is never Complete.
[[nodiscard]] TransferOutcome put_file(TransferContext& ctx,
                                       std::string& command, const std::string& local_path,
                                       TransferMode mode);
// REST offset, then RETR of the joined remote path into the open, positioned file. bytes
// counts from the offset.
[[nodiscard]] TransferOutcome restart_get(TransferContext& ctx, int file,
                                          const std::string& remote_dir,
                                          const std::string& remote_name, std::int64_t offset);

// "RETR USER.DATA" becomes "RETR 'USER.DATA'".
void quote_argument(std::string& command);

// transfer_result() of the transfer (2: done, go on with the next file), or 2 when the user
// cancelled the name prompt. Only a complete transfer is logged and clears the restart record.
int download_one(TransferContext& ctx, const std::string& remote_name, unsigned index,
                 unsigned count, bool prompt);
int upload_one(TransferContext& ctx, const std::string& local_name, unsigned index,
               unsigned count, bool prompt);

}  // namespace varnix
