#include "mpv/playback.h"

#include <climits>

#include "overlay/frame_moment.h"

namespace meridel::mpv {

std::optional<int64_t> PlaybackMoment(int32_t start, std::optional<double> timePos, int32_t clockDifference) {
  if (!timePos) return std::nullopt;
  const int32_t seconds = TruncateSeconds(*timePos);
  if (seconds == INT32_MIN) return std::nullopt;
  return FrameMoment(start, seconds, clockDifference);
}

MomentUpdate MomentFollower::Update(std::optional<int64_t> moment, bool sync) {
  if (current_ && moment == shown_) return {};
  shown_ = moment;
  current_ = true;
  return {.redraw = true, .zoom = sync && moment.has_value()};
}

}  // namespace meridel::mpv
