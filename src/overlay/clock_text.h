// The clock settings as users type them on ffmpeg's and melt's command lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace meridel {

// The local clock's offset from UTC: "+02:00", "-03:30", "+9", "0" or "Z",
// white space around it ignored. Seconds, or nothing for any other text or
// an offset beyond 18 hours.
std::optional<int32_t> ParseUtcOffset(std::string_view text);

// How far the camera clock was off the GPS clock, added to every frame's
// time: "-00:00:05", "+1:30:00", "-2:05" (minutes and seconds), "+12"
// (seconds). Fields after the first are two digits below 60; the hours go up
// to 999. Seconds, or nothing for any other text.
std::optional<int32_t> ParseClockDifference(std::string_view text);

}  // namespace meridel
