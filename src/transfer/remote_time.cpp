// MDTM after a download.
#include "transfer/remote_time.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "net/server_features.h"

namespace varnix {

bool apply_remote_time(TransferContext& ctx, const std::string& remote_name,
                       const std::string& local_path) {
    if (!ctx.settings.keep_remote_times) return false;
    const auto seconds = remote_modify_time(ctx, remote_name);
    if (!seconds) return false;
    // Access and modification time both: the file was not read here since it was written.
    timespec times[2]{};
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(*seconds);
    if (::utimensat(AT_FDCWD, local_path.c_str(), times, 0) != 0) {
        ctx.messages.print_message("[E] can't set the time of %s: %s", local_path.c_str(),
                                   std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace varnix
