// The system's monotonic clock: GetTickCount64 in the module (platform/win32),
// std::chrono::steady_clock natively (platform/posix), set by hand in tests.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from an arbitrary start; never goes back, whatever the user
// does to the wall clock.
uint64_t MonotonicMilliseconds();

}  // namespace platform
