#include "drawing/caption_font.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "drawing/bordered_caption.h"
#include "drawing/font_lookup.h"
#include "drawing/drawing_fixture.h"

namespace {

using namespace meridel::drawing;
using namespace drawing_test;

struct AlphaCase {
  uint8_t frameAlpha;
  bool textColourWhereCovered;  // the frame's colour does not show through
};

// Opaque frames stay opaque; on transparent ones the caption brings its own
// coverage as alpha, in its own colour.
TEST(CaptionFontTest, CompositesAlphaOverTheFrame) {
  auto font = OpenDefault(24);
  ASSERT_TRUE(font);
  const uint32_t W = 400, H = 50;
  const std::vector<uint8_t> coverage = Coverage(*font, kCaption, W, H);
  const RgbColor colour{10, 240, 120};
  for (const AlphaCase c : {AlphaCase{255, false}, AlphaCase{128, false}, AlphaCase{0, true}}) {
    SCOPED_TRACE(int{c.frameAlpha});
    const uint8_t background[4] = {200, 30, 60, c.frameAlpha};
    GuardedFrame frame(W, H, background);
    font->Draw(frame.Frame(), kCaption, 8, 8, colour);
    for (uint32_t y = 0; y < H; ++y) {
      for (uint32_t x = 0; x < W; ++x) {
        const int a = coverage[size_t{y} * W + x];
        const uint8_t* p = frame.Bytes(x, y);
        const int expectedAlpha = a + c.frameAlpha * (255 - a) / 255;
        ASSERT_NEAR(p[3], expectedAlpha, 1) << x << "," << y << " coverage " << a;
        if (a == 0) {
          ASSERT_EQ(frame.At(x, y), frame.background);
        }
        if (a > 0 && c.textColourWhereCovered) {
          ASSERT_EQ(std::vector<uint8_t>(p, p + 3), (std::vector<uint8_t>{colour.r, colour.g, colour.b}));
        }
      }
    }
  }
}

TEST(CaptionFontTest, LinesStackByTheLineHeight) {
  auto font = OpenDefault(30);
  ASSERT_TRUE(font);
  const TextBox one = font->Measure("8").ink;
  const TextBox two = font->Measure("8\n8").ink;
  EXPECT_EQ(two.bottom - one.bottom, font->LineHeight());
  EXPECT_EQ(font->Measure("8\n8").layout.bottom, 2 * font->LineHeight());
  EXPECT_GE(font->LineHeight(), 30);
}

TEST(CaptionFontTest, ClampsAbsurdSizesAndStillDraws) {
  const FontMatch match = FindFont(kDefaultFontPattern);
  const struct {
    int asked;
    int used;
  } kCases[] = {{INT_MIN, CaptionFont::kMinPixelSize}, {0, CaptionFont::kMinPixelSize}, {1, 1}, {48, 48},
                {INT_MAX, CaptionFont::kMaxPixelSize}};
  for (const auto& c : kCases) {
    std::string error;
    auto font = CaptionFont::Open(match.file, match.faceIndex, c.asked, error);
    ASSERT_TRUE(font) << error;
    EXPECT_EQ(font->PixelSize(), c.used);
    // The largest caption is too large to compose and goes pass by pass.
    GuardedFrame frame(33, 17, kGrey);
    BorderedCaption().Draw(*font, frame.Picture(), kCaption, -3, -5, kWhite, kBlack);
    EXPECT_TRUE(frame.GuardsIntact());
  }
}

TEST(CaptionFontTest, SaysWhyAFileIsNoFont) {
  for (const std::string& file : {std::string("/no/such/font.ttf"), std::string(MERIDEL_SOURCE_DIR "/README.md"), std::string("/")}) {
    std::string error;
    EXPECT_FALSE(CaptionFont::Open(file, 0, 24, error));
    EXPECT_NE(error.find(file), std::string::npos) << error;
  }
}

}  // namespace
