// The tick clock: monotonic milliseconds, 64 bits so it never wraps.
#pragma once

#include <cstdint>

namespace varnix {

[[nodiscard]] std::int64_t tick_count();

}  // namespace varnix
