#include "cli/clip_report.h"

#include <gtest/gtest.h>

namespace {

using meridel::cli::ClipSummary;

constexpr int32_t k0730 = 1686987000;  // 2023-06-17 07:30:00 UTC

TEST(ClipReport, Outputs) {
  const struct {
    const char *clip, *dir, *suffix, *output;
  } cases[] = {
      {"ride.MP4", "", "-meridel", "ride-meridel.mp4"},
      {"/v/day/GX010042.MP4", "", "-meridel", "/v/day/GX010042-meridel.mp4"},
      {"/v/day/clip.tar.mov", "out", "-gps", "out/clip.tar-gps.mp4"},
      {"/v/.hidden", "/o/", "", "/o/.hidden.mp4"},
  };
  for (const auto& c : cases) EXPECT_EQ(meridel::cli::OutputPathOf(c.clip, c.dir, c.suffix), c.output);
  EXPECT_EQ(meridel::cli::PartialPathOf("out/a-meridel.mp4", 42), "out/.a-meridel.mp4.42.part");
  EXPECT_EQ(meridel::cli::RateText(30000, 1001), "29.97");
  EXPECT_EQ(meridel::cli::RateText(24000, 1001), "23.976");
  EXPECT_EQ(meridel::cli::RateText(25, 1), "25");
}

TEST(ClipReport, AlignmentAndWarnings) {
  ClipSummary clip;
  clip.clip = "a.mp4";
  clip.start = {k0730 - 30, meridel::StartKind::kClip};
  clip.span = {k0730 - 30, k0730 + 90};
  const meridel::TrackTimes track{k0730, k0730 + 60};
  EXPECT_EQ(meridel::cli::AlignmentLine(clip, track),
            "a.mp4: aligned by the clip's creation time 2023-06-17 07:29:30 UTC, 2023-06-17 07:29:30 to 07:31:30 "
            "UTC, starting 30 s before and ending 30 s after the track");
  EXPECT_EQ(meridel::cli::ClipWarnings(clip, track),
            (std::vector<std::string>{"a.mp4: its first 30 s lie before the track and show its first position; its "
                                      "last 30 s lie after the track and show its last position"}));

  clip.start = {k0730, meridel::StartKind::kTrack};
  clip.span = {k0730 + 120, k0730 + 130};
  const std::vector<std::string> warnings = meridel::cli::ClipWarnings(clip, track);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].rfind("a.mp4 records no creation time", 0), 0u);
  EXPECT_EQ(warnings[1],
            "a.mp4 lies wholly after the track: it starts 1 min 00 s after the track's last point (2023-06-17 "
            "07:31:00 UTC): every caption shows the track's last position");

  // A camera clock on local time, two hours ahead of UTC, with -5 s given.
  clip.clockDifference = -5;
  clip.span = {k0730 + 7200 + 10, k0730 + 7200 + 40};
  EXPECT_NE(meridel::cli::ClipWarnings(clip, track)[1].find(
                "(if the camera's clock was on local time: --clock-difference -02:00:05 puts it inside the track)"),
            std::string::npos);
}

}  // namespace
