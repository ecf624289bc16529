// The caption as the DLL draws it: a one-pixel border, then the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/caption_font.h"
#include "drawing/picture.h"
#include "drawing/runs.h"
#include "overlay/caption.h"

namespace meridel::drawing {

// The DLL's passes (kCaptionPasses: four one-pixel shifts in the border
// colour, then the text on top) drawn straight onto an RGBA image, one after
// the other: `text` (lines split at '\n') with its top-left corner at (x, y),
// clipped like CaptionFont::Draw.
void DrawCaptionPasses(CaptionFont& font, RgbaFrame frame, std::string_view text, int64_t x, int64_t y,
                       RgbColor textColor, RgbColor borderColor);

// The same caption for one filter instance, one call per frame, onto a
// picture of any PixelLayout, in place: no conversion of the frame. The
// caption changes at most once a second, so its passes are composed once
// into a small RGBA image, and for Y'CbCr pictures converted once into their
// samples (chroma averaged over each block of pixels that shares it); each
// frame then receives it in a single pass, full pixels copied. On RGBA the
// result matches DrawCaptionPasses within rounding (two levels of 255).
//
// Allocates only when the caption, its place's phase within a chroma block
// or the picture's layout change. One thread at a time, like the font it
// draws with.
class BorderedCaption {
 public:
  // Any x, y and picture size are fine: what falls outside is skipped.
  // False when nothing could be drawn because the caption is too large to
  // compose (absurd sizes); RGBA pictures then get the passes one by one.
  bool Draw(CaptionFont& font, const Picture& picture, std::string_view text, int64_t x, int64_t y,
            RgbColor textColor, RgbColor borderColor);

 private:
  // One chroma sample's worth of the caption: its coverage of the block and
  // the colour it brings, weighted by the coverage of each pixel.
  struct ChromaCell {
    uint8_t alpha;
    uint8_t cb;
    uint8_t cr;
  };

  bool Compose(CaptionFont& font, std::string_view text, RgbColor textColor, RgbColor borderColor);
  void ConvertToYuv(YuvEncoding encoding);
  void ComposeChroma(uint32_t blockWidth, uint32_t blockHeight, uint32_t phaseX, uint32_t phaseY);
  void DrawRgb(const Picture& picture, int64_t left, int64_t top) const;
  void DrawLuma(const Picture& picture, int64_t left, int64_t top) const;
  void DrawChroma(const Picture& picture, int64_t left, int64_t top);

  // What the image shows; font 0 is no font.
  uint64_t fontSerial_ = 0;
  std::string text_;
  RgbColor textColor_{};
  RgbColor borderColor_{};
  bool composed_ = false;  // false: too large

  int64_t left_ = 0;  // the image's top-left corner, from the text's
  int64_t top_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint32_t> image_;  // RGBA8888, not premultiplied
  std::vector<Run> runs_;        // every pixel whose alpha is not 0

  // The image's Y'CbCr samples, for pictures of `yuvEncoding_`.
  bool yuvReady_ = false;
  YuvEncoding yuvEncoding_;
  std::vector<YuvColor> yuv_;

  // The image's chroma for blocks of blockWidth_ × blockHeight_ pixels when
  // its left and top edges lie phaseX_ and phaseY_ pixels into a block.
  bool chromaReady_ = false;
  uint32_t blockWidth_ = 0, blockHeight_ = 0, phaseX_ = 0, phaseY_ = 0;
  uint32_t gridWidth_ = 0, gridHeight_ = 0;
  std::vector<ChromaCell> chroma_;
  std::vector<Run> chromaRuns_;
};

}  // namespace meridel::drawing
