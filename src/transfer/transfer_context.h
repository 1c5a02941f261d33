// The transfer layer's share of the program state: the transfer in progress, the restart
// record, and the extension lists that name local files.
#pragma once

#include <string>

#include "config/config_file.h"
#include "listing/listing_context.h"
#include "transfer/transfer_state.h"

namespace varnix {

struct TransferContext : ListingContext {
    // Wires the remote listing's fetch to fetch_listing.
    TransferContext();

    TransferState transfer;
    // The ASCII extension list and the extension conversion table. Re-read at each use, so
    // an edit through the dialogs (or by hand) counts from the next file on.
    // init_extension_file_paths() locates them at start-up like the configuration file.
    std::string ascii_list_path = "VARNIX.EXT";
    std::string conversion_table_path = "VARNIX.CNV";
    // The event sounds' wave files, read once at start-up by load_sound_settings().
    SoundSettings sounds;
    // While a recursive transfer runs: the folder it started from, where a relative transfer
    // log path is taken from (empty: the current local directory).
    std::string log_base_dir;
};

}  // namespace varnix
