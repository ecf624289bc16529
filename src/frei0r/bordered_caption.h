// The caption as the DLL draws it: a one-pixel border, then the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frei0r/caption_font.h"
#include "overlay/caption.h"

namespace meridel::frei0r {

// The DLL's passes (kCaptionPasses: four one-pixel shifts in the border
// colour, then the text on top) drawn straight onto the frame, one after the
// other: `text` (lines split at '\n') with its top-left corner at (x, y),
// clipped like CaptionFont::Draw.
void DrawCaptionPasses(CaptionFont& font, RgbaFrame frame, std::string_view text, int64_t x, int64_t y,
                       RgbColor textColor, RgbColor borderColor);

// The same caption for one filter instance, one call per frame. The caption
// changes at most once a second, so its passes are composed once into a
// small image with alpha, which each frame then receives in a single pass,
// full pixels copied. The result matches DrawCaptionPasses within rounding
// (two levels of 255). A caption too large for such an image (absurd sizes) is
// drawn pass by pass instead.
//
// Allocates only when the caption grows past every earlier one. One thread
// at a time, like the font it draws with.
class BorderedCaption {
 public:
  void Draw(CaptionFont& font, RgbaFrame frame, std::string_view text, int64_t x, int64_t y, RgbColor textColor,
            RgbColor borderColor);

 private:
  // A run of one row of the image whose alpha is all 255 (opaque) or all 1-254.
  struct Run {
    uint32_t row;
    uint32_t column;
    uint32_t length;
    bool opaque;
  };

  bool Compose(CaptionFont& font, std::string_view text, RgbColor textColor, RgbColor borderColor);

  // What the image shows; font 0 is no font.
  uint64_t fontSerial_ = 0;
  std::string text_;
  RgbColor textColor_{};
  RgbColor borderColor_{};
  bool composed_ = false;  // false: too large, drawn pass by pass

  int64_t left_ = 0;  // the image's top-left corner, from the text's
  int64_t top_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint32_t> image_;  // RGBA8888 like the frames, not premultiplied
  std::vector<Run> runs_;        // every pixel whose alpha is not 0
};

}  // namespace meridel::frei0r
