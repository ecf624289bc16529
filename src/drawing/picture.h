// A picture as video hosts hand it over, in one of the layouts the caption
// is drawn onto directly, 8 bits a sample. The caller owns the samples.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawing/caption_font.h"

namespace meridel::drawing {

enum class PixelLayout {
  kRgba,     // R, G, B, A bytes: alpha is composited too
  kRgb,      // R, G, B bytes, opaque
  kYuyv,     // 4:2:2 packed: Y0 Cb Y1 Cr for each pair of pixels
  kYuv420p,  // 4:2:0 planar: Y, then Cb and Cr for each 2x2 block
};

// How the Y'CbCr layouts encode RGB: the coefficients of BT.601 or BT.709,
// in the video (16-235) or the full (0-255) range.
struct YuvEncoding {
  bool bt709 = false;
  bool fullRange = false;
  friend bool operator==(YuvEncoding, YuvEncoding) = default;
};

struct Picture {
  PixelLayout layout = PixelLayout::kRgba;
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t* planes[3] = {};  // one for the packed layouts; Y, Cb, Cr for kYuv420p
  ptrdiff_t strides[3] = {};  // bytes from a row to the next, per plane
  // The chroma samples a row and a column hold (kYuyv, kYuv420p): hosts
  // differ for odd sizes, rounding up or down.
  uint32_t chromaWidth = 0;
  uint32_t chromaHeight = 0;
  YuvEncoding encoding;
};

// A picture whose rows follow each other without padding, its planes (for
// kYuv420p) one after the other, chroma sizes rounded up as ffmpeg lays
// them out. `data` holds PackedPictureSize bytes.
Picture PackedPicture(PixelLayout layout, uint8_t* data, uint32_t width, uint32_t height,
                      YuvEncoding encoding = {});
size_t PackedPictureSize(PixelLayout layout, uint32_t width, uint32_t height);

// The Y'CbCr samples of a colour.
struct YuvColor {
  uint8_t y;
  uint8_t cb;
  uint8_t cr;
};
YuvColor ToYuv(RgbColor color, YuvEncoding encoding);

}  // namespace meridel::drawing
