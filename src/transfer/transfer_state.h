// TransferState: the one transfer in progress (the counters shared with the control
// connection, busy_count and cancel_requested, live in NetContext).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varnix {

class ProgressDisplay;

struct TransferState {
    std::int64_t expected_size = 0;     // bytes expected, 0 when unknown
    std::int64_t last_status_tick = 0;  // for the 500 ms throttle of the rate display
    int receive_result = 0;             // 0 nothing usable, 1 complete, 2 interrupted
    std::string progress_caption;       // at most 510 characters
    // The one buffer the loops move file data through; sized once, never per chunk.
    std::vector<char> io_buffer;
    std::vector<char> convert_buffer;   // ASCII uploads: LF becomes CR LF
    // The window's progress display (see window_interface.h); null: none.
    ProgressDisplay* progress = nullptr;
};

}  // namespace varnix
