// The listing layer's share of the program state: the two panes' list contents and the
// remote listing cache.
#pragma once

#include "net/net_context.h"

namespace varnix {

struct ListingContext : NetContext {
};

}  // namespace varnix
