#include "cli/clip_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using meridel::StartKind;
using meridel::cli::Properties;

constexpr int32_t k0730 = 1686987000;  // 2023-06-17 07:30:00 UTC

// The filter gets the texts given, under their MLT names, and the start rule
// that applies: a clip that records no creation time under --start clip is
// aligned by the track's first point, and the filter is told so.
TEST(ClipPlan, FilterPropertiesStartAndPaths) {
  const std::vector<std::string_view> args{"caption", "--gpx", "t.gpx", "--x", "0.050", "-o", "out", "/v/a.MP4"};
  const auto invocation = meridel::cli::ParseCommandLine(args);
  ASSERT_TRUE(invocation.ok());
  const struct {
    std::optional<int32_t> creationTime;
    StartKind alignedBy;
    Properties filter;
  } cases[] = {
      {k0730 + 60, StartKind::kClip, {{"resource", "t.gpx"}, {"x", "0.050"}}},
      {std::nullopt, StartKind::kTrack, {{"resource", "t.gpx"}, {"start", "track"}, {"x", "0.050"}}},
  };
  for (const auto& c : cases) {
    meridel::cli::ClipSummary clip;
    clip.clip = "/v/a.MP4";
    clip.facts.creationTime = c.creationTime;
    clip.rateNum = 30;
    clip.frameCount = 60;
    const auto plan = meridel::cli::PlanClip(clip, 3, *invocation, k0730);
    ASSERT_TRUE(plan.ok()) << plan.failure().line;
    EXPECT_EQ(plan->summary.asked, StartKind::kClip);
    EXPECT_EQ(plan->summary.start.kind, c.alignedBy);
    EXPECT_EQ(plan->summary.span.first, c.creationTime.value_or(k0730));
    EXPECT_EQ(plan->filter, c.filter);
    EXPECT_EQ(plan->summary.output, "out/a-meridel.mp4");
    EXPECT_EQ(plan->partial, "out/.a-meridel.mp4." + std::to_string(getpid()) + ".part");
    EXPECT_FALSE(plan->summary.outputExists);
    EXPECT_FALSE(plan->overwrite);
  }
}

}  // namespace
