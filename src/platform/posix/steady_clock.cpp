#include "platform/posix/steady_clock.h"

#include <chrono>

namespace platform {

uint64_t SteadyClockMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace platform
