#include "overlay/caption_settings.h"
#include "overlay/setting_table.h"

#include <gtest/gtest.h>

#include "support/decimal_comma_locale.h"

namespace {

using meridel::CaptionSetting;
using meridel::CaptionSettings;
using meridel::RgbColor;

TEST(CaptionSettings, EachDefaultTextReadsAsTheDefaultValue) {
  CaptionSettings read;
  read.utcOffset = read.clockDifference = read.fontSize = read.josmZoom = 7;
  read.x = read.y = 0.5;
  read.start.kind = meridel::StartKind::kTrack;
  read.font = "Other";
  read.textColor = read.borderColor = {1, 2, 3};
  read.josmSync = true;
  for (int i = 0; i < static_cast<int>(CaptionSetting::kCount); ++i) {
    const auto setting = static_cast<CaptionSetting>(i);
    EXPECT_TRUE(meridel::SetFromText(read, setting, meridel::DefaultText(setting))) << i;
  }
  const CaptionSettings defaults;
  EXPECT_EQ(read.utcOffset, defaults.utcOffset);
  EXPECT_EQ(read.clockDifference, defaults.clockDifference);
  EXPECT_EQ(read.start.kind, defaults.start.kind);
  EXPECT_EQ(read.x, defaults.x);
  EXPECT_EQ(read.y, defaults.y);
  EXPECT_EQ(read.font, defaults.font);
  EXPECT_EQ(read.fontSize, defaults.fontSize);
  EXPECT_EQ(read.textColor, defaults.textColor);
  EXPECT_EQ(read.borderColor, defaults.borderColor);
  EXPECT_EQ(read.josmSync, defaults.josmSync);
  EXPECT_EQ(read.josmZoom, defaults.josmZoom);
}

// Texts each setting refuses, whatever the locale, leave the value as it was.
TEST(CaptionSettings, RefusedTextsLeaveTheValue) {
  const test_support::ScopedDecimalComma comma;
  const struct {
    CaptionSetting setting;
    const char* text;
    bool taken;
  } cases[] = {
      {CaptionSetting::kX, "0.25", true},         {CaptionSetting::kX, "0,25", false},
      {CaptionSetting::kY, "nan", false},         {CaptionSetting::kY, "1e400", false},
      {CaptionSetting::kFontSize, " 32 ", true},  {CaptionSetting::kFontSize, "1025", false},
      {CaptionSetting::kFontSize, "12px", false}, {CaptionSetting::kJosmZoom, "-10", true},
      {CaptionSetting::kJosmZoom, "11", false},   {CaptionSetting::kJosmSync, "yes", true},
      {CaptionSetting::kJosmSync, "2", false},    {CaptionSetting::kStart, "clip ", true},
      {CaptionSetting::kStart, "now", false},     {CaptionSetting::kTextColor, "chartreuse", false},
      {CaptionSetting::kUtcOffset, "+19:00", false},
  };
  for (const auto& c : cases) {
    CaptionSettings settings;
    settings.x = settings.y = 0.5;
    settings.fontSize = 20;
    settings.josmZoom = 3;
    const CaptionSettings before = settings;
    EXPECT_EQ(meridel::SetFromText(settings, c.setting, c.text), c.taken) << c.text;
    if (!c.taken) {
      EXPECT_EQ(settings.x, before.x);
      EXPECT_EQ(settings.y, before.y);
      EXPECT_EQ(settings.fontSize, before.fontSize);
      EXPECT_EQ(settings.josmZoom, before.josmZoom);
      EXPECT_EQ(settings.textColor, before.textColor);
    }
  }
  EXPECT_EQ(meridel::RefusalText("josm_zoom", "11", CaptionSetting::kJosmZoom),
            "josm_zoom \"11\" is not a whole number from -10 to 10");
}

TEST(CaptionSettings, Colours) {
  const struct {
    const char* text;
    std::optional<RgbColor> color;
  } cases[] = {
      {"#FFCC00", RgbColor{255, 204, 0}},   {"0x202060", RgbColor{32, 32, 96}},
      {"0x202060ff", RgbColor{32, 32, 96}}, {"#80202060", RgbColor{32, 32, 96}},  // MLT: alpha last / first
      {" yellow ", RgbColor{255, 255, 0}},  {"grey", RgbColor{128, 128, 128}},
      {"#FFCC0", {}},                       {"#GGCC00", {}},
      {"FFCC00", {}},                       {"0x-20206", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(meridel::ParseColorText(c.text), c.color) << c.text;
}

}  // namespace
