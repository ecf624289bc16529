// The native build's monotonic clock, for whatever defines
// platform::MonotonicMilliseconds natively (tests install it in the fake platform).
#pragma once

#include <cstdint>

namespace platform {

// std::chrono::steady_clock in milliseconds.
uint64_t SteadyClockMilliseconds();

}  // namespace platform
