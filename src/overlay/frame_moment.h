// The moment a frame was shot, in UTC seconds, from the source's time of the
// frame, the imported track's base time and the user's clock settings.
#pragma once

#include <cstdint>

namespace meridel {

// Whole seconds, truncated toward zero; INT32_MIN when the value has no
// 32-bit integer (NaN, infinity, out of range).
int32_t TruncateSeconds(double seconds);

// Seconds from the start of the source to the frame: frame / framesPerSecond
// by TruncateSeconds, so a rate of 0 (no source opened yet) gives INT32_MIN.
int32_t FrameOffset(int32_t frame, double framesPerSecond);

// Seconds from the start of the source to frame `frame` at rateNum/rateDen
// frames a second, by TruncateSeconds of frame × den ÷ num: exact where
// frame ÷ (num ÷ den) falls a last bit short, so that frame 24000 at
// 24000/1001 is second 1001, as in the frei0r filter. The Linux hosts that
// know the rate as a fraction (MLT's profiles) count with this.
int32_t SecondsIntoSource(int64_t frame, int32_t rateNum, int32_t rateDen);

// The camera clock's difference from the GPS clock in seconds, each value
// with its own sign, in wrapping 32-bit arithmetic.
int32_t ClockDifference(int32_t hours, int32_t minutes, int32_t seconds);

// The local clock's offset from UTC in seconds: each product in wrapping
// 32-bit arithmetic, the sum in 64. It shifts only what the caption shows.
int64_t UtcOffset(int32_t hours, int32_t minutes);

// baseTime + frameOffset with the width of track times (32-bit, wrapping),
// then + clockDifference widened to 64 bits.
int64_t FrameMoment(int32_t baseTime, int32_t frameOffset, int32_t clockDifference);

}  // namespace meridel
