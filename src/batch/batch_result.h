// The results of a batch run: how one transfer step and one job ended, how the whole run
// ended, and the process exit status made from that (here and nowhere else).
#pragma once

#include "transfer/transfer_outcome.h"

namespace varnix {

// One transfer step of a job (a file, or every file matching a wildcard).
enum class BatchStep {
    Done,
    Failed,
    NotAFile,  // a download source without a file name: the caller tries it as a directory
};

// One job: a command line's transfer, or one line of a batch file.
enum class BatchResult {
    Failed,  // reported to the user and counted in batch_failures
    Succeeded,
    Interactive,  // a remote directory: the session stays open for the user
};

// How the program run as a whole ended.
enum class RunEnd {
    Succeeded,       // every job succeeded (or there was none)
    JobFailed,       // at least one job failed
    BadCommandLine,  // an unknown option, or nothing to do
    Stopped,         // SIGINT or SIGTERM ended it
};

[[nodiscard]] constexpr BatchStep batch_step(const TransferOutcome& outcome) {
    return outcome.complete() ? BatchStep::Done : BatchStep::Failed;
}

// A stop signal outweighs failed jobs; `signal` is 0 when none arrived.
[[nodiscard]] constexpr RunEnd run_end(int failures, int signal) {
    if (signal != 0) return RunEnd::Stopped;
    return failures > 0 ? RunEnd::JobFailed : RunEnd::Succeeded;
}

// What a script reads: 0, 1, 2, or 128 + the signal (130 for SIGINT, 143 for SIGTERM).
[[nodiscard]] constexpr int exit_status(RunEnd end, int signal = 0) {
    switch (end) {
        case RunEnd::Succeeded: return 0;
        case RunEnd::JobFailed: return 1;
        case RunEnd::BadCommandLine: return 2;
        case RunEnd::Stopped: return 128 + signal;
    }
    return 1;
}

}  // namespace varnix
