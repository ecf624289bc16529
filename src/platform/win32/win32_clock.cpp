// The module's monotonic clock.
// GetTickCount64 is declared from Vista (0x0600) on; mingw-w64 targets later
// versions by default, but another toolchain may not.
#if defined(_WIN32_WINNT) && _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif

#include "platform/clock.h"

#include <windows.h>

namespace platform {

// Unlike GetTickCount it does not wrap after 49.7 days of uptime.
uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

}  // namespace platform
