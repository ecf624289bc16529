#include "overlay/start_rule.h"

#include <gtest/gtest.h>

namespace {

using meridel::StartKind;

TEST(StartRule, UtcTimes) {
  const struct {
    const char* text;
    std::optional<int32_t> seconds;
  } cases[] = {
      {"2023-06-17T07:30:00Z", 1686987000},
      {" 2023-06-17 07:30:00 ", 1686987000},          // no zone: UTC
      {"2015-06-01T10:20:00.000000Z", 1433154000},    // a container's creation time
      {"2023-06-17T09:30:00+02:00", 1686987000},
      {"2023-06-17T05:00:00-0230", 1686987000},
      {"2024-02-29T00:00:00Z", 1709164800},
      {"1970-01-01T00:00:00Z", 0},
      {"2038-01-19T03:14:07Z", INT32_MAX},
      {"2038-01-19T03:14:08Z", {}},                   // past track times' range
      {"2023-02-29T00:00:00Z", {}},
      {"2023-06-17T24:00:00Z", {}},
      {"2023-06-17T07:30Z", {}},
      {"2023-06-17T07:30:00.Z", {}},
      {"2023-06-17T07:30:00+25:00", {}},
      {"2023-06-17T07:30:00 UTC", {}},
      {"17.06.2023 07:30:00", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(meridel::ParseUtcTime(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(StartRule, RulesAndWhatEachSourceIsAlignedBy) {
  EXPECT_FALSE(meridel::ParseStartRule("first"));
  const struct {
    const char* rule;
    std::optional<int32_t> creation;
    int32_t time;
    StartKind kind;
    const char* description;
  } cases[] = {
      {"clip", 1686987000, 1686987000, StartKind::kClip,
       "aligned by the clip's creation time 2023-06-17 07:30:00 UTC"},
      {"clip", {}, 100, StartKind::kTrack, "aligned by the track's first point 1970-01-01 00:01:40 UTC"},
      {" track ", 1686987000, 100, StartKind::kTrack, "aligned by the track's first point 1970-01-01 00:01:40 UTC"},
      {"2023-06-17T07:30:05Z", 0, 1686987005, StartKind::kTime, "aligned by the start time 2023-06-17 07:30:05 UTC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const std::optional<meridel::StartRule> rule = meridel::ParseStartRule(c.rule);
    ASSERT_TRUE(rule);
    const meridel::SourceStart start = meridel::ResolveStart(*rule, c.creation, 100);
    EXPECT_EQ(start.time, c.time);
    EXPECT_EQ(start.kind, c.kind);
    EXPECT_EQ(meridel::DescribeStart(start), c.description);
  }
}

}  // namespace
