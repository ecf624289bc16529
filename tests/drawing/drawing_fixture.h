// Frames, fonts and captions shared by the drawing tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drawing/caption_font.h"
#include "drawing/font_lookup.h"
#include "drawing/picture.h"

namespace drawing_test {

using meridel::drawing::CaptionFont;
using meridel::drawing::RgbaFrame;
using meridel::drawing::RgbColor;

inline constexpr char kCaption[] = "2015-06-01 19:20:52\n35.60220000 139.70440000";
inline constexpr RgbColor kWhite{255, 255, 255};
inline constexpr RgbColor kBlack{0, 0, 0};
inline constexpr uint32_t kGuard = 0xDEADBEEFu;
inline constexpr size_t kGuardPixels = 64;

inline std::unique_ptr<CaptionFont> OpenDefault(int pixelSize) {
  const meridel::drawing::FontMatch match = meridel::drawing::FindFont(meridel::drawing::kDefaultFontPattern);
  std::string error;
  auto font = CaptionFont::Open(match.file, match.faceIndex, pixelSize, error);
  EXPECT_TRUE(font) << "the default font (scripts/setup.sh installs it): " << error;
  return font;
}

// A frame between guard pixels that must survive every draw.
struct GuardedFrame {
  GuardedFrame(uint32_t width, uint32_t height, const uint8_t (&rgba)[4]) : width(width), height(height) {
    uint32_t fill;
    std::memcpy(&fill, rgba, 4);
    storage.assign(kGuardPixels + size_t{width} * height + kGuardPixels, kGuard);
    std::fill(storage.begin() + kGuardPixels, storage.end() - kGuardPixels, fill);
    background = fill;
  }
  RgbaFrame Frame() { return {storage.data() + kGuardPixels, width, height}; }
  meridel::drawing::Picture Picture() {
    return meridel::drawing::PackedPicture(meridel::drawing::PixelLayout::kRgba,
                                           reinterpret_cast<uint8_t*>(storage.data() + kGuardPixels), width, height);
  }
  uint32_t At(int64_t x, int64_t y) const { return storage[kGuardPixels + y * width + x]; }
  const uint8_t* Bytes(int64_t x, int64_t y) const {
    return reinterpret_cast<const uint8_t*>(&storage[kGuardPixels + y * width + x]);
  }
  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuardPixels; ++i) {
      if (storage[i] != kGuard || storage[storage.size() - 1 - i] != kGuard) return false;
    }
    return true;
  }
  uint32_t width;
  uint32_t height;
  uint32_t background;
  std::vector<uint32_t> storage;
};

inline constexpr uint8_t kGrey[4] = {128, 128, 128, 255};

// Coverage of the text alone, from white on opaque black.
inline std::vector<uint8_t> Coverage(CaptionFont& font, const std::string& text, uint32_t width, uint32_t height) {
  const uint8_t black[4] = {0, 0, 0, 255};
  GuardedFrame frame(width, height, black);
  font.Draw(frame.Frame(), text, 8, 8, kWhite);
  std::vector<uint8_t> coverage(size_t{width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) coverage[size_t{y} * width + x] = frame.Bytes(x, y)[0];
  }
  return coverage;
}

}  // namespace drawing_test
