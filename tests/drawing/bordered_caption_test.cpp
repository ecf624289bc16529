#include "drawing/bordered_caption.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "drawing/drawing_fixture.h"

namespace {

using namespace meridel::drawing;
using namespace drawing_test;

struct FrameSize {
  uint32_t width;
  uint32_t height;
};

// Every frame size with the caption inside, across each edge and corner,
// just outside each edge and absurdly far away, composed or pass by pass:
// no write lands outside the frame or outside the caption's box widened by
// the border, and a caption that overlaps a large enough frame draws.
TEST(BorderedCaptionTest, ClipsAtEveryEdgeAndNeverWritesOutside) {
  auto font = OpenDefault(24);
  ASSERT_TRUE(font);
  std::string allBytes;
  for (int b = 1; b < 256; ++b) allBytes += static_cast<char>(b);

  const FrameSize kSizes[] = {{1, 1}, {7, 3}, {640, 360}, {7680, 4320}};
  for (const bool composed : {true, false}) {
    for (const std::string& text : {std::string(kCaption), allBytes}) {
      const TextBox ink = font->Measure(text).ink;
      BorderedCaption caption;
      const int64_t w = ink.right - ink.left;
      const int64_t h = ink.bottom - ink.top;
      for (const FrameSize size : kSizes) {
        GuardedFrame frame(size.width, size.height, kGrey);
        const int64_t W = size.width;
        const int64_t H = size.height;
        // Left edges of the ink box: far left, outside, across the left edge,
        // inside, across the right edge, outside, far right; tops alike.
        const int64_t xs[] = {INT64_MIN, INT_MIN, -w - 2, -w / 2, 10, W - w / 2, W + 2, INT_MAX, INT64_MAX};
        const int64_t ys[] = {INT64_MIN, INT_MIN, -h - 2, -h / 2, 10, H - h / 2, H + 2, INT_MAX, INT64_MAX};
        for (const int64_t inkX : xs) {
          for (const int64_t inkY : ys) {
            const bool overlaps = inkX > -w && inkX < W && inkY > -h && inkY < H && w < W / 2;
            // 8K takes long to scan: only the corners there.
            if (W > 1000 && !(overlaps && inkX != 10 && inkY != 10)) continue;
            SCOPED_TRACE(testing::Message() << W << "x" << H << " at " << inkX << "," << inkY
                                            << (text.size() > 100 ? " all bytes" : " caption")
                                            << (composed ? " composed" : " pass by pass"));
            std::fill(frame.storage.begin() + kGuardPixels, frame.storage.end() - kGuardPixels, frame.background);
            const bool far = inkX == INT64_MIN || inkX == INT64_MAX || inkY == INT64_MIN || inkY == INT64_MAX;
            const int64_t x = far ? inkX : inkX - ink.left;
            const int64_t y = far ? inkY : inkY - ink.top;
            if (composed) {
              caption.Draw(*font, frame.Picture(), text, x, y, kWhite, kBlack);
            } else {
              DrawCaptionPasses(*font, frame.Frame(), text, x, y, kWhite, kBlack);
            }
            ASSERT_TRUE(frame.GuardsIntact());
            int64_t changed = 0;
            for (int64_t py = 0; py < H; ++py) {
              for (int64_t px = 0; px < W; ++px) {
                if (frame.At(px, py) == frame.background) continue;
                ++changed;
                const bool inBox =
                    !far && px >= inkX - 1 && px < inkX + w + 1 && py >= inkY - 1 && py < inkY + h + 1;
                ASSERT_TRUE(inBox) << "drawn at " << px << "," << py;
              }
            }
            if (overlaps && W >= 640) {
              EXPECT_GT(changed, 0);
            }
          }
        }
      }
    }
  }
}

// Fully covered text pixels show the text colour (the text pass comes last);
// uncovered pixels beside one show the border colour; pixels away from the
// text keep the frame's.
TEST(BorderedCaptionTest, BorderSurroundsTextAndTextIsOnTop) {
  auto font = OpenDefault(40);
  ASSERT_TRUE(font);
  const RgbColor text{250, 200, 10};
  const RgbColor border{5, 20, 90};
  for (const std::string& caption : {std::string("-"), std::string(kCaption)}) {
    SCOPED_TRACE(caption);
    const uint32_t W = 700, H = 140;
    const std::vector<uint8_t> coverage = Coverage(*font, caption, W, H);
    const auto covered = [&](int64_t x, int64_t y) {
      return x >= 0 && y >= 0 && x < W && y < H && coverage[y * W + x] == 255;
    };
    GuardedFrame frame(W, H, kGrey);
    BorderedCaption().Draw(*font, frame.Picture(), caption, 8, 8, text, border);
    int textPixels = 0, borderPixels = 0;
    for (int64_t y = 0; y < H; ++y) {
      for (int64_t x = 0; x < W; ++x) {
        const uint8_t* p = frame.Bytes(x, y);
        const std::vector<uint8_t> rgb(p, p + 3);
        const bool beside = covered(x - 1, y) || covered(x + 1, y) || covered(x, y - 1) || covered(x, y + 1);
        if (covered(x, y)) {
          ++textPixels;
          ASSERT_EQ(rgb, (std::vector<uint8_t>{text.r, text.g, text.b})) << x << "," << y;
        } else if (coverage[y * W + x] == 0 && beside) {
          ++borderPixels;
          ASSERT_EQ(rgb, (std::vector<uint8_t>{border.r, border.g, border.b})) << x << "," << y;
        }
        ASSERT_EQ(p[3], 255);
      }
    }
    EXPECT_GT(textPixels, 0);
    EXPECT_GT(borderPixels, 0);
  }
}

struct CaptionStep {
  const char* text;
  RgbColor textColor;
  RgbColor borderColor;
  int font;  // index into the fonts below
  uint8_t frameAlpha;
  int64_t x;
  int64_t y;
};

// One caption object through changes of position, text, colours, font and
// frame alpha: every frame shows what drawing the passes one by one shows,
// within two levels of rounding.
TEST(BorderedCaptionTest, ComposedCaptionMatchesThePasses) {
  std::unique_ptr<CaptionFont> fonts[] = {OpenDefault(24), OpenDefault(40)};
  ASSERT_TRUE(fonts[0] && fonts[1]);
  constexpr char kNext[] = "2015-06-01 19:20:53\n35.60220100 139.70440100";
  const CaptionStep kSteps[] = {
      {kCaption, kWhite, kBlack, 0, 255, 8, 8},
      {kCaption, kWhite, kBlack, 0, 255, -40, 30},
      {kNext, kWhite, kBlack, 0, 255, 8, 8},
      {kNext, {250, 10, 10}, kBlack, 0, 255, 8, 8},
      {kNext, {250, 10, 10}, {10, 10, 250}, 0, 255, 8, 8},
      {kNext, {250, 10, 10}, {10, 10, 250}, 1, 255, 8, 8},
      {kNext, {250, 10, 10}, {10, 10, 250}, 1, 0, 8, 8},
      {kNext, {250, 10, 10}, {10, 10, 250}, 1, 100, 8, 8},
      {"", kWhite, kBlack, 1, 255, 8, 8},
  };
  BorderedCaption caption;
  for (const CaptionStep& step : kSteps) {
    SCOPED_TRACE(testing::Message() << "step " << (&step - kSteps));
    const uint8_t background[4] = {90, 160, 30, step.frameAlpha};
    GuardedFrame composed(700, 120, background);
    GuardedFrame passes(700, 120, background);
    CaptionFont& font = *fonts[step.font];
    caption.Draw(font, composed.Picture(), step.text, step.x, step.y, step.textColor, step.borderColor);
    DrawCaptionPasses(font, passes.Frame(), step.text, step.x, step.y, step.textColor, step.borderColor);
    ASSERT_TRUE(composed.GuardsIntact());
    const auto* a = reinterpret_cast<const uint8_t*>(composed.storage.data());
    const auto* b = reinterpret_cast<const uint8_t*>(passes.storage.data());
    for (size_t i = 0; i < composed.storage.size() * 4; ++i) {
      ASSERT_NEAR(a[i], b[i], 2) << "byte " << i;
    }
  }
}

// A picture of any layout between guard bytes, filled with one colour.
struct GuardedPicture {
  GuardedPicture(PixelLayout layout, uint32_t width, uint32_t height, RgbColor fill, YuvEncoding encoding)
      : bytes(kGuardBytes + PackedPictureSize(layout, width, height) + kGuardBytes, kGuardByte) {
    picture = PackedPicture(layout, bytes.data() + kGuardBytes, width, height, encoding);
    const YuvColor yuv = ToYuv(fill, encoding);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        switch (layout) {
          case PixelLayout::kRgb:
            std::memcpy(Sample(0, x * 3, y), &fill, 3);
            break;
          case PixelLayout::kYuyv:
            *Sample(0, x * 2, y) = yuv.y;
            if (x < picture.chromaWidth * 2) *Sample(0, x * 2 + 1, y) = x % 2 ? yuv.cr : yuv.cb;
            break;
          default:
            *Sample(0, x, y) = yuv.y;
            if (x < picture.chromaWidth && y < picture.chromaHeight) {
              *Sample(1, x, y) = yuv.cb;
              *Sample(2, x, y) = yuv.cr;
            }
        }
      }
    }
  }
  uint8_t* Sample(int plane, int64_t byte, int64_t row) { return picture.planes[plane] + row * picture.strides[plane] + byte; }
  bool GuardsIntact() const {
    return std::all_of(bytes.begin(), bytes.begin() + kGuardBytes, [](uint8_t b) { return b == kGuardByte; }) &&
           std::all_of(bytes.end() - kGuardBytes, bytes.end(), [](uint8_t b) { return b == kGuardByte; });
  }
  static constexpr size_t kGuardBytes = 256;
  static constexpr uint8_t kGuardByte = 0xA5;
  std::vector<uint8_t> bytes;
  Picture picture;
};

// Every layout gets what the RGBA caption shows, converted: RGB exactly, the
// Y'CbCr layouts within rounding, each chroma sample the mean of the pixels
// that share it. Nothing lands outside the picture, whatever its size and
// wherever the caption lies.
TEST(BorderedCaptionTest, EveryLayoutShowsTheRgbaCaptionConverted) {
  auto font = OpenDefault(20);
  ASSERT_TRUE(font);
  const RgbColor grey{90, 160, 30};
  const RgbColor text{250, 200, 10};
  const RgbColor border{5, 20, 90};
  const struct {
    uint32_t width, height;
  } kSizes[] = {{1, 1}, {7, 3}, {321, 101}, {320, 100}};
  const struct {
    int64_t x, y;
  } kPlaces[] = {{8, 8}, {7, 9}, {-57, -13}, {250, 80}, {INT64_MIN, 5}};
  for (const PixelLayout layout : {PixelLayout::kRgb, PixelLayout::kYuyv, PixelLayout::kYuv420p}) {
    for (const YuvEncoding encoding : {YuvEncoding{}, YuvEncoding{true, true}}) {
      BorderedCaption caption;
      for (const auto size : kSizes) {
        for (const auto place : kPlaces) {
          SCOPED_TRACE(testing::Message() << "layout " << static_cast<int>(layout) << (encoding.bt709 ? " 709" : " 601")
                                          << ", " << size.width << "x" << size.height << " at " << place.x << ","
                                          << place.y);
          const uint8_t greyRgba[4] = {grey.r, grey.g, grey.b, 255};
          GuardedFrame reference(size.width, size.height, greyRgba);
          caption.Draw(*font, reference.Picture(), kCaption, place.x, place.y, text, border);
          GuardedPicture drawn(layout, size.width, size.height, grey, encoding);
          caption.Draw(*font, drawn.picture, kCaption, place.x, place.y, text, border);
          ASSERT_TRUE(drawn.GuardsIntact());
          const auto expectedYuv = [&](int64_t x, int64_t y) {
            const uint8_t* p = reference.Bytes(x, y);
            return ToYuv({p[0], p[1], p[2]}, encoding);
          };
          for (uint32_t y = 0; y < size.height; ++y) {
            for (uint32_t x = 0; x < size.width; ++x) {
              if (layout == PixelLayout::kRgb) {
                ASSERT_EQ(std::memcmp(drawn.Sample(0, x * 3, y), reference.Bytes(x, y), 3), 0) << x << "," << y;
              } else {
                const int64_t step = layout == PixelLayout::kYuyv ? 2 : 1;
                ASSERT_NEAR(*drawn.Sample(0, x * step, y), expectedYuv(x, y).y, 2) << x << "," << y;
              }
            }
          }
          if (layout == PixelLayout::kRgb) continue;
          const uint32_t blockHeight = layout == PixelLayout::kYuyv ? 1 : 2;
          for (uint32_t by = 0; by < size.height / blockHeight; ++by) {
            for (uint32_t bx = 0; bx < size.width / 2; ++bx) {
              double cb = 0, cr = 0;
              for (uint32_t y = by * blockHeight; y < (by + 1) * blockHeight; ++y) {
                for (uint32_t x = bx * 2; x < bx * 2 + 2; ++x) {
                  cb += expectedYuv(x, y).cb / (2.0 * blockHeight);
                  cr += expectedYuv(x, y).cr / (2.0 * blockHeight);
                }
              }
              const uint8_t gotCb = layout == PixelLayout::kYuyv ? *drawn.Sample(0, bx * 4 + 1, by) : *drawn.Sample(1, bx, by);
              const uint8_t gotCr = layout == PixelLayout::kYuyv ? *drawn.Sample(0, bx * 4 + 3, by) : *drawn.Sample(2, bx, by);
              ASSERT_NEAR(gotCb, cb, 3) << "block " << bx << "," << by;
              ASSERT_NEAR(gotCr, cr, 3) << "block " << bx << "," << by;
            }
          }
        }
      }
    }
  }
}

}  // namespace
