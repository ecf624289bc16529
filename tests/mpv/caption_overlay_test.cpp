#include "mpv/caption_overlay.h"

#include <gtest/gtest.h>

namespace {

using meridel::mpv::OsdGeometry;

// A 1280x720 clip in a 1920x1200 window: letterboxed 60 px above and
// below, so the caption's fractions and font size are of the 1920x1080
// video rectangle.
TEST(MpvCaptionOverlay, PlacedOnTheVideoRectangle) {
  meridel::CaptionSettings settings;
  settings.x = 0.25;
  settings.y = 0.5;
  settings.fontSize = 20;
  settings.textColor = {0xFF, 0xCC, 0x00};
  settings.borderColor = {0x20, 0x20, 0x60};
  const auto overlay = meridel::mpv::BuildCaptionOverlay("2015-06-01 12:20:00\n46.5 7.5", settings,
                                                         OsdGeometry{1920, 1200, 0, 0, 60, 60}, 1280, 720);
  ASSERT_TRUE(overlay);
  EXPECT_EQ(overlay->resX, 1920);
  EXPECT_EQ(overlay->resY, 1200);
  EXPECT_EQ(overlay->events,
            "{\\rDefault\\an7\\q2\\pos(480,600)\\fnDejaVu Sans Mono\\fs30\\b0\\i0\\fsp0\\fscx100\\fscy100\\bord1"
            "\\shad0\\1c&H00CCFF&\\3c&H602020&\\1a&H00&\\3a&H00&}2015-06-01 12:20:00\\N46.5 7.5");
}

TEST(MpvCaptionOverlay, TheVideosOwnSizeWithoutAnOsd) {
  const meridel::CaptionSettings settings;
  const auto overlay = meridel::mpv::BuildCaptionOverlay("a", settings, OsdGeometry{}, 640, 360);
  ASSERT_TRUE(overlay);
  EXPECT_EQ(overlay->resY, 360);
  EXPECT_NE(overlay->events.find("\\pos(6,4)\\fnDejaVu Sans Mono\\fs12\\"), std::string::npos) << overlay->events;
  EXPECT_FALSE(meridel::mpv::BuildCaptionOverlay("a", settings, OsdGeometry{}, 0, 0));
  meridel::CaptionSettings far = settings;
  far.x = 1e300;
  EXPECT_NE(meridel::mpv::BuildCaptionOverlay("a", far, OsdGeometry{}, 640, 360)->events.find("\\pos(1000000,4)"),
            std::string::npos);
}

TEST(MpvCaptionOverlay, TextIsNeverAssMarkup) {
  const struct {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"plain 1.5", "plain 1.5"},
      {"{\\b1}bold", "\\{\\\xE2\x81\xA0"
                     "b1\\}bold"},
      {"two\nlines\r\t", "two\\Nlines"},
  };
  for (const auto& c : cases) EXPECT_EQ(meridel::mpv::EscapeAss(c.text), c.escaped) << c.text;
}

}  // namespace
