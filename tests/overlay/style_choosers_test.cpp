#include "overlay/style_choosers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "overlay/overlay_settings.h"
#include "support/fake_platform.h"

namespace {

platform::WindowHandle const kOwner = reinterpret_cast<platform::WindowHandle>(0x5150);

platform::LogFont Chosen(const char* face, int32_t height, int32_t weight, uint8_t italic) {
  platform::LogFont logFont{};
  logFont.lfHeight = height;
  logFont.lfWeight = weight;
  logFont.lfItalic = italic;
  std::strncpy(logFont.lfFaceName, face, sizeof logFont.lfFaceName);
  return logFont;
}

class FontChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    std::strcpy(settings.faceName, "Arial");
    settings.fontHeight = -16;
    settings.textColor = 0x00112233;
    cached = meridel::MakeCaptionFont(settings);
    meridel::ReplaceCaptionFont(font, cached);
    font.created = true;
  }

  void Choose() { meridel::ChooseCaptionFont(settings, font, kOwner); }

  std::string StoredFace() const {
    return std::string(settings.faceName, strnlen(settings.faceName, sizeof settings.faceName));
  }

  meridel::OverlaySettings settings{};
  meridel::CaptionFont font;
  platform::FontHandle cached = nullptr;
};

}  // namespace

TEST_F(FontChooserTest, DialogStartsFromTheCurrentFaceHeightAndColour) {
  Choose();
  ASSERT_EQ(fake::State().fontDialogs.size(), 1u);
  const fake::FontDialogCall& call = fake::State().fontDialogs[0];
  EXPECT_EQ(call.dialog.structSize, 60u);
  EXPECT_EQ(call.dialog.owner, kOwner);
  EXPECT_NE(call.dialog.logFont, nullptr);
  EXPECT_EQ(call.dialog.flags, 65u);
  EXPECT_EQ(call.dialog.rgbColors, 0x00112233u);
  EXPECT_EQ(call.dialog.fontType, 0x2000);
  EXPECT_STREQ(call.logFontIn.lfFaceName, "Arial");
  EXPECT_EQ(call.logFontIn.lfHeight, -16);
  // The temporary font is gone; the cached one is still there.
  EXPECT_EQ(fake::State().liveFonts, std::vector<platform::FontHandle>{cached});
}

TEST_F(FontChooserTest, ConfirmedChoiceKeepsOnlyFaceHeightAndColour) {
  fake::State().fontAnswers.push_back({true, Chosen("MS Gothic", -24, 700, 1), 0x000000FF});
  Choose();
  EXPECT_EQ(StoredFace(), "MS Gothic");
  EXPECT_EQ(settings.fontHeight, -24);
  EXPECT_EQ(settings.textColor, 0x000000FFu);
  const fake::MadeFont& made = fake::State().madeFonts.back();
  EXPECT_EQ(made.face, "MS Gothic");
  EXPECT_EQ(made.params.height, -24);
  EXPECT_EQ(made.params.weight, 400);  // bold italic comes back normal weight, upright
  EXPECT_EQ(made.params.italic, 0u);
  EXPECT_EQ(font.handle, made.handle);
  EXPECT_EQ(fake::State().liveFonts, std::vector<platform::FontHandle>{made.handle});
  EXPECT_TRUE(font.created);
}

TEST_F(FontChooserTest, CancelledChoiceChangesNothing) {
  const meridel::OverlaySettings before = settings;
  fake::State().fontAnswers.push_back({false, Chosen("Courier", 99, 400, 0), 0x00ABCDEF});
  Choose();
  EXPECT_EQ(std::memcmp(&before, &settings, sizeof before), 0);
  EXPECT_EQ(font.handle, cached);
  EXPECT_EQ(fake::State().liveFonts, std::vector<platform::FontHandle>{cached});
}

TEST_F(FontChooserTest, FaceNamesAreBoundedTo31Characters) {
  const std::string face31(31, 'N');
  struct Case {
    const char* name;
    platform::LogFont chosen;
    std::string stored;
  };
  platform::LogFont noNul{};
  std::memset(noNul.lfFaceName, 'Z', sizeof noNul.lfFaceName);
  const Case cases[] = {
      {"31 characters stored whole", Chosen(face31.c_str(), 12, 400, 0), face31},
      {"32 bytes without a NUL", noNul, std::string(31, 'Z')},
      {"a short name after a long one", Chosen("Mono", 12, 400, 0), "Mono"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::State().fontAnswers.push_back({true, c.chosen, 0});
    Choose();
    EXPECT_EQ(StoredFace(), c.stored);
    EXPECT_EQ(settings.faceName[31], '\0');
    EXPECT_EQ(fake::State().madeFonts.back().face, c.stored);
  }
}

TEST_F(FontChooserTest, StoredFaceWithoutNulOpensTheDialogOnItsFirst31Characters) {
  std::memset(settings.faceName, 'Q', sizeof settings.faceName);
  Choose();
  EXPECT_EQ(fake::State().madeFonts.back().face, std::string(31, 'Q'));
  EXPECT_EQ(std::string(fake::State().fontDialogs[0].logFontIn.lfFaceName), std::string(31, 'Q'));
}

TEST_F(FontChooserTest, UnreadableDescriptionStillOpensTheDialog) {
  fake::State().failFontDescription = true;
  fake::State().fontAnswers.push_back({true, Chosen("Gothic", -20, 400, 0), 0x00112233});
  Choose();
  EXPECT_EQ(fake::State().fontDialogs.size(), 1u);
  EXPECT_EQ(StoredFace(), "Gothic");
}

TEST_F(FontChooserTest, ReplacingWithNoFontReleasesTheCachedOne) {
  meridel::ReplaceCaptionFont(font, nullptr);
  EXPECT_EQ(font.handle, nullptr);
  EXPECT_TRUE(fake::State().liveFonts.empty());
  meridel::ReplaceCaptionFont(font, nullptr);
  EXPECT_EQ(fake::State().releasedFonts.size(), 1u);
}

namespace {

struct ColourChooser {
  const char* name;
  int32_t (*choose)(meridel::OverlaySettings&, platform::WindowHandle);
  meridel::Colour meridel::OverlaySettings::*field;
  meridel::Colour meridel::OverlaySettings::*other;
};

const ColourChooser kColourChoosers[] = {
    {"text", meridel::ChooseTextColor, &meridel::OverlaySettings::textColor,
     &meridel::OverlaySettings::borderColor},
    {"border", meridel::ChooseBorderColor, &meridel::OverlaySettings::borderColor,
     &meridel::OverlaySettings::textColor},
};

class ColourChooserTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  meridel::OverlaySettings settings{};
};

}  // namespace

TEST_F(ColourChooserTest, ConfirmedChangesOnlyItsOwnField) {
  for (const ColourChooser& chooser : kColourChoosers) {
    SCOPED_TRACE(chooser.name);
    settings.textColor = 0x00FFFFFF;
    settings.borderColor = 0x0000FF00;
    const meridel::Colour before = settings.*chooser.field;
    fake::State().colorDialogs.clear();
    fake::State().colorAnswers.push_back(0x00345678);
    EXPECT_NE(chooser.choose(settings, kOwner), 0);
    ASSERT_EQ(fake::State().colorDialogs.size(), 1u);
    const platform::ColorDialog& dialog = fake::State().colorDialogs[0].dialog;
    EXPECT_EQ(dialog.structSize, 36u);
    EXPECT_EQ(dialog.owner, kOwner);
    EXPECT_EQ(dialog.rgbResult, before);
    EXPECT_EQ(dialog.flags, 3u);
    EXPECT_NE(dialog.customColors, nullptr);
    EXPECT_EQ(settings.*chooser.field, 0x00345678u);
    EXPECT_EQ(settings.*chooser.other, chooser.field == &meridel::OverlaySettings::textColor
                                                  ? 0x0000FF00u
                                                  : 0x00FFFFFFu);
  }
}

TEST_F(ColourChooserTest, CancelledChangesNothing) {
  for (const ColourChooser& chooser : kColourChoosers) {
    SCOPED_TRACE(chooser.name);
    const meridel::OverlaySettings before = settings;
    fake::State().colorAnswers.push_back(std::nullopt);
    EXPECT_EQ(chooser.choose(settings, kOwner), 0);
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof before), 0);
  }
}

TEST_F(ColourChooserTest, CustomColoursAreGoneAtTheNextCall) {
  for (const ColourChooser& chooser : kColourChoosers) {
    SCOPED_TRACE(chooser.name);
    fake::State().colorDialogs.clear();
    fake::State().colorAnswers = {0x00010203, 0x00040506};  // the fake defines custom colours each time
    chooser.choose(settings, kOwner);
    chooser.choose(settings, kOwner);
    ASSERT_EQ(fake::State().colorDialogs.size(), 2u);
    EXPECT_EQ(fake::State().colorDialogs[0].customColorsIn, fake::State().colorDialogs[1].customColorsIn);
    EXPECT_EQ(fake::State().colorDialogs[1].customColorsIn.size(), 16u);
  }
}
