#include "overlay/source_span.h"

#include <gtest/gtest.h>

#include "track/track_store.h"

namespace {

using meridel::MomentSpan;
using meridel::TrackTimes;

constexpr int32_t k0730 = 1686987000;  // 2023-06-17 07:30:00 UTC

TEST(SourceSpan, MomentsOfTheFirstAndLastFrames) {
  // 24000 frames at 24000/1001 end on second 1001 exactly, where
  // frame / (num / den) falls a last bit short.
  const MomentSpan span = meridel::SourceMoments(k0730, 24001, 24000, 1001, -5);
  EXPECT_EQ(span.first, k0730 - 5);
  EXPECT_EQ(span.last, k0730 + 1001 - 5);
  EXPECT_EQ(meridel::SourceMoments(k0730, 1, 30000, 1001, 0).last, k0730);
}

TEST(SourceSpan, TheTracksEnds) {
  meridel::TrackStore track;
  EXPECT_FALSE(meridel::TrackTimesOf(track));
  track.Append({1, 2, k0730});
  track.Append({1, 2, k0730 + 600});
  const std::optional<TrackTimes> times = meridel::TrackTimesOf(track);
  ASSERT_TRUE(times);
  EXPECT_EQ(times->first, k0730);
  EXPECT_EQ(times->last, k0730 + 600);
}

TEST(SourceSpan, WhereASpanFallsOnTheTrack) {
  const TrackTimes track{k0730, k0730 + 3600};
  const struct {
    int64_t first, last;
    const char* text;
  } cases[] = {
      {k0730, k0730 + 3600, "inside the track"},
      {k0730 - 65, k0730 + 10, "starting 1 min 05 s before the track"},
      {k0730 + 3000, k0730 + 3612, "ending 12 s after the track"},
      {k0730 - 10, k0730 + 3605, "starting 10 s before and ending 5 s after the track"},
      {k0730 - 11200, k0730 - 100,
       "wholly before the track: it ends 1 min 40 s before the track's first point (2023-06-17 07:30:00 UTC)"},
      {k0730 + 3600 + 11100, k0730 + 3600 + 11200,
       "wholly after the track: it starts 3 h 05 min 00 s after the track's last point (2023-06-17 08:30:00 UTC)"},
  };
  for (const auto& c : cases) {
    const MomentSpan span{c.first, c.last};
    EXPECT_EQ(meridel::PlacementText(meridel::PlaceOnTrack(span, track), span, track), c.text);
  }
}

TEST(SourceSpan, TheTimeZoneThatPutsASpanInsideTheTrack) {
  const struct {
    int64_t first, last;  // from 07:30
    int32_t trackSeconds;
    std::optional<int32_t> shift;
  } cases[] = {
      {2 * 3600 + 60, 2 * 3600 + 180, 3600, -2 * 3600},  // local time of UTC+2 written as UTC
      {-5 * 3600 - 1800, -5 * 3600 - 1700, 3600, 6 * 3600},
      {-5 * 3600 + 1000, -5 * 3600 + 1010, 3 * 3600, {}},  // +5, +6 and +7 h all fit: which is unknown
      {19800 + 300, 19800 + 360, 1200, -19800},            // UTC+5:30 on a short track, by quarter hours
      {20 * 3600, 20 * 3600 + 60, 3600, {}},               // beyond 14 hours
  };
  for (const auto& c : cases) {
    const TrackTimes track{k0730, k0730 + c.trackSeconds};
    EXPECT_EQ(meridel::ZoneShiftIntoTrack({k0730 + c.first, k0730 + c.last}, track), c.shift) << c.first;
  }
}

TEST(SourceSpan, Texts) {
  EXPECT_EQ(meridel::SpanText({k0730, k0730 + 733}), "2023-06-17 07:30:00 to 07:42:13 UTC");
  EXPECT_EQ(meridel::SpanText({k0730, k0730 + 86400}), "2023-06-17 07:30:00 to 2023-06-18 07:30:00 UTC");
}

}  // namespace
