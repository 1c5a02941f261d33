// The program run without a window: options, configuration, the batch transfer the command
// line names, and the exit status a script reads.
#pragma once

namespace varnix {

// argv as main receives it. 0 when every transfer succeeded, non-zero otherwise.
[[nodiscard]] int run_batch_program(int argc, char** argv);

}  // namespace varnix
