// Monotonic millisecond clock.
#include "platform/clock.h"

#include <chrono>

namespace varnix {

std::int64_t tick_count() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace varnix
