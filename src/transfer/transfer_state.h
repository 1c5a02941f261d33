// TransferState: the one transfer in progress (the counters shared with the control
// connection, busy_count and cancel_requested, live in NetContext).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varnix {

class ProgressDisplay;

// What one transfer asks for on top of the settings. A listing fetch wants no sound, no
// progress dialog and no automatic mode, without switching those settings off and on again
// around the call (where the other thread could see them off, or they could stay off).
struct TransferRequest {
    bool sound = true;            // the error and completion sounds (when BELL is on)
    bool progress_dialog = true;  // the "Transfer Status" dialog (when its setting is on)
    bool automatic_mode = true;   // AMODE may choose ASCII or binary by the name
    bool name_prompts = true;     // a name question before each file (when PROMPT is on)
};

struct TransferState {
    std::int64_t expected_size = 0;     // bytes expected, 0 when unknown
    std::int64_t last_status_tick = 0;  // for the 500 ms throttle of the rate display
    std::string progress_caption;       // at most 510 characters
    // The one buffer the loops move file data through; sized once, never per chunk.
    std::vector<char> io_buffer;
    std::vector<char> convert_buffer;   // ASCII uploads: LF becomes CR LF
    // The request of the transfer in progress (get_file sets it for the call's duration).
    TransferRequest request;
    // The request of a whole run of transfers (a directory walk), on top of each one's own.
    TransferRequest run;
    // The window's progress display (see window_interface.h); null: none.
    ProgressDisplay* progress = nullptr;
};

}  // namespace varnix
