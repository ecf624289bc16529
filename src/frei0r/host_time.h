// The time frei0r hosts pass with each frame, in whole seconds.
#pragma once

#include <cstdint>
#include <optional>

#include "frei0r/parameters.h"

namespace meridel::frei0r {

// The unit of the times that the code at `caller` passes: milliseconds from
// ffmpeg's frei0r filter (libavfilter), seconds from MLT's and from every
// other host, as frei0r defines the time. `caller` is the return address of
// an entry point the host called.
TimeUnit DetectTimeUnit(const void* caller);

// The frame's time in whole seconds, truncated toward zero as the DLL
// truncates frame / rate. Rounded to the microsecond first, so that two
// hosts' last-bit differences at a whole second (1000.9999999999999 for
// 1001) give the same second. Nothing for a time that is not finite or
// has no 32-bit second (ffmpeg passes such garbage for some frame widths).
std::optional<int32_t> FrameSeconds(double time, TimeUnit unit);

}  // namespace meridel::frei0r
