// The transfer log (VARNIX.LOG by default): one line appended for each completed transfer,
// when the dolog setting in the configuration file is exactly 1.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "config/session.h"
#include "transfer/transfer_context.h"

namespace varnix {

enum class TransferDirection : int { Upload = 1, Download = 2 };

struct TransferLogLine {
    TransferDirection direction = TransferDirection::Download;
    TransferMode type = TransferMode::Ascii;  // the type last sent to the server
    std::string_view local_name;              // joined to the current local directory
    std::string_view peer;  // the profile name for a download, the host name for an upload
    std::string_view remote_dir;
    std::string_view remote_name;
};

// The line as the log holds it, with its "\n": "97.03.05 14:07 B /data/readme.txt --> server
// /pub readme.txt". The year is years since 1900 (100 in 2000). An absolute local name is
// written as it is. Control bytes in any field are written as "?", so a hostile remote name
// cannot forge a second line.
[[nodiscard]] std::string format_transfer_log_line(const std::tm& when,
                                                   std::string_view local_dir,
                                                   const TransferLogLine& line);

// Appends the line for now and the current local directory, reading dolog and logfile from
// the configuration file first; a relative log path is taken from the current local
// directory. A log that cannot be opened is skipped silently.
void append_transfer_log(const TransferContext& ctx, const TransferLogLine& line);

}  // namespace varnix
