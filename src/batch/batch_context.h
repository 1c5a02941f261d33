// The batch layer's share of the program state: what the command line and a batch file line
// ask for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "transfer/transfer_context.h"

namespace varnix {

struct BatchState {
    std::string source;       // -s, or the first word after the options
    std::string destination;  // -d, or the second word
    std::string batch_file;   // -m
    bool quiet = false;       // -q, -quiet: failures are not shown in message boxes
    bool resume = false;      // -resume: downloads continue a partial local file
    bool require_tls = false;  // -tls: explicit TLS required for host:path and ftp:// addresses
    std::vector<std::string> trusted_fingerprints;  // -trust, canonical form
    // -u, -w, -c of the options just parsed: the logon values for a host without a profile.
    std::string user, password, account;
};

struct BatchContext : TransferContext {
    BatchState batch;
    // Jobs that failed in this run (the program's exit status).
    int batch_failures = 0;
    // Shows the main window normally and brings it to the front (a failed or interactive run).
    std::function<void()> on_show_window;
    // The remote source named a directory: the session stays open there. Called after the
    // remote listing was refreshed.
    std::function<void()> on_interactive;
};

}  // namespace varnix
