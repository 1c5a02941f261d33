// Restart of interrupted downloads: the record kept in the profile's section while a binary
// download runs, and the offer to resume it at the next connect.
#pragma once

#include <string>

#include "transfer/transfer_context.h"

namespace varnix {

struct RestartRecord {
    std::string remote_dir;  // REGETRDIR
    std::string remote_file; // REGETRFILE
    std::string local_dir;   // REGETLDIR
    std::string local_file;  // REGETLFILE
    [[nodiscard]] bool present() const {
        return !remote_dir.empty() && !remote_file.empty() && !local_dir.empty() && !local_file.empty();
    }
};

void save_restart_record(TransferContext& ctx, const std::string& profile,
                         const std::string& remote_dir, const std::string& remote_name,
                         const std::string& local_name);
void clear_restart_record(TransferContext& ctx, const std::string& profile);
[[nodiscard]] RestartRecord read_restart_record(const TransferContext& ctx, const std::string& profile);

// The remote path of a name in a directory: "dir/name", "dir\name" for servers with
// backslash paths, "dir.name" for the host type that joins with a dot.
[[nodiscard]] std::string join_remote_path(const TransferContext& ctx, const std::string& dir,
                                           const std::string& name);

// Asks whether to resume the profile's interrupted download, and does it.
void offer_resume(TransferContext& ctx, const std::string& profile);

}  // namespace varnix
