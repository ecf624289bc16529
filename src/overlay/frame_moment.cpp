#include "overlay/frame_moment.h"

#include <climits>

#include "base/wrapping.h"

namespace meridel {

int32_t TruncateSeconds(double seconds) {
  // Written so that NaN fails the test as well.
  if (!(seconds > -2147483649.0 && seconds < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(seconds);
}

int32_t FrameOffset(int32_t frame, double framesPerSecond) {
  return TruncateSeconds(static_cast<double>(frame) / framesPerSecond);
}

int32_t SecondsIntoSource(int64_t frame, int32_t rateNum, int32_t rateDen) {
  return TruncateSeconds(static_cast<double>(frame) * rateDen / rateNum);
}

int32_t ClockDifference(int32_t hours, int32_t minutes, int32_t seconds) {
  const int32_t totalMinutes = AddWrapping(MultiplyWrapping(hours, 60), minutes);
  return AddWrapping(MultiplyWrapping(totalMinutes, 60), seconds);
}

int64_t UtcOffset(int32_t hours, int32_t minutes) {
  return int64_t{MultiplyWrapping(hours, 3600)} + int64_t{MultiplyWrapping(minutes, 60)};
}

int64_t FrameMoment(int32_t baseTime, int32_t frameOffset, int32_t clockDifference) {
  return int64_t{AddWrapping(baseTime, frameOffset)} + int64_t{clockDifference};
}

}  // namespace meridel
