#include "overlay/clock_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using meridel::ParseClockDifference;
using meridel::ParseUtcOffset;

TEST(ClockText, UtcOffsets) {
  const struct {
    const char* text;
    std::optional<int32_t> seconds;
  } cases[] = {
      {"+02:00", 7200}, {"-03:30", -12600}, {"+9", 32400}, {"0", 0},  {" Z ", 0},      {"+18:00", 64800},
      {"-00:45", -2700}, {"+18:01", {}},    {"+2:7", {}},  {"+02:60", {}}, {"2:00:00", {}}, {"", {}},
      {"+", {}},         {"02:", {}},       {"abc", {}},   {"+123", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseUtcOffset(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(ClockText, ClockDifferences) {
  const struct {
    const char* text;
    std::optional<int32_t> seconds;
  } cases[] = {
      {"-00:00:05", -5}, {"+1:30:00", 5400}, {"-2:05", -125}, {"+12", 12},    {"999:59:59", 3599999},
      {"0", 0},          {"1:60", {}},       {"1:5", {}},     {"1:00:00:00", {}}, {"", {}},
      {"--5", {}},       {"5s", {}},         {"1000:00:00", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseClockDifference(c.text), c.seconds) << '"' << c.text << '"';
}

}  // namespace
