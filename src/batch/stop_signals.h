// SIGINT and SIGTERM during a batch run: the handler only records the signal; the blocking
// hook of the batch run turns it into the Cancel that the transfer loops already obey.
#pragma once

#include "batch/batch_context.h"

namespace varnix {

// Catches SIGINT and SIGTERM once: a second one ends the program at once, as usual.
void install_stop_signal_handlers();
// The signal that asked the run to stop, 0 when none did.
[[nodiscard]] int stop_signal();

// The calling thread's blocking hook for a batch run: runs the timers and, once a stop signal
// arrived, cancels the blocking call in progress (once, so the ABOR that follows can still be
// sent and answered) and keeps the transfer loops' cancel request set between chunks.
void install_batch_blocking_hook(BatchContext& ctx);

// For tests: forget a recorded signal.
void reset_stop_signal();

}  // namespace varnix
