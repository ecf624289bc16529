#include "mpv/playback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr int32_t kStart = 1433154000;  // 2015-06-01 10:20:00 UTC

TEST(MpvPlayback, MomentOfAPosition) {
  const struct {
    std::optional<double> timePos;
    int32_t clockDifference;
    std::optional<int64_t> moment;
  } cases[] = {
      {0.0, 0, kStart},
      {1.999, 0, kStart + 1},
      {-0.5, 0, kStart},  // mpv's time-pos may start just below 0: truncated toward zero
      {-1.5, 0, kStart - 1},
      {61.04, -5, kStart + 56},
      {std::nullopt, 0, std::nullopt},
      {std::nan(""), 0, std::nullopt},
      {std::numeric_limits<double>::infinity(), 0, std::nullopt},
      {1e12, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(meridel::mpv::PlaybackMoment(kStart, c.timePos, c.clockDifference), c.moment)
        << c.timePos.value_or(-999);
  }
}

// Frames within one second neither redraw nor zoom; every new second does
// both, a lost position removes the caption once, and Forget (a new file,
// track or setting) redraws the same second.
TEST(MpvPlayback, RedrawAndZoomOncePerMoment) {
  meridel::mpv::MomentFollower follower;
  const struct {
    std::optional<int64_t> moment;
    bool sync;
    bool forget;
    bool redraw;
    bool zoom;
  } steps[] = {
      {10, true, false, true, true},  {10, true, false, false, false}, {11, true, false, true, true},
      {5, true, false, true, true},   {5, false, true, true, false},   {std::nullopt, true, false, true, false},
      {std::nullopt, true, false, false, false}, {5, true, false, true, true}, {5, true, true, true, true},
  };
  int index = 0;
  for (const auto& step : steps) {
    if (step.forget) follower.Forget();
    const meridel::mpv::MomentUpdate update = follower.Update(step.moment, step.sync);
    EXPECT_EQ(update.redraw, step.redraw) << "step " << index;
    EXPECT_EQ(update.zoom, step.zoom) << "step " << index;
    EXPECT_EQ(follower.Shown(), step.moment) << "step " << index;
    ++index;
  }
}

}  // namespace
