// The transfer layer's share of the program state: the transfer in progress, the restart
// record, and the extension lists that name local files.
#pragma once

#include "listing/listing_context.h"

namespace varnix {

struct TransferContext : ListingContext {
};

}  // namespace varnix
