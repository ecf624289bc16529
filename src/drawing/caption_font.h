// The caption's font: a FreeType face at one pixel size whose glyphs are
// rendered once and then blended onto RGBA images.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/runs.h"
#include "overlay/caption_settings.h"

namespace meridel::drawing {

// An RGBA image (frei0r's F0R_COLOR_MODEL_RGBA8888): width * height pixels,
// rows packed, bytes R, G, B, A in memory. The caller owns it.
struct RgbaFrame {
  uint32_t* pixels;
  uint32_t width;
  uint32_t height;
};

using meridel::RgbColor;

// Where a text's pixels may land, relative to the top-left corner given to
// Draw: the box of its lines' advances and the box of its rendered glyphs
// (which may stick out of the first by a pixel or two, even leftwards or
// upwards). Empty boxes have right <= left.
struct TextBox {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

struct TextExtent {
  TextBox layout;
  TextBox ink;
};

// Positions beyond this are as good as it, far outside any frame; clamping
// to it keeps the arithmetic on positions from overflowing.
inline constexpr int64_t kFarOutside = int64_t{1} << 40;

class CaptionFont {
 public:
  // The pixel sizes Open accepts; others are clamped into this range, so that
  // an absurd setting costs neither the frame rate nor the memory.
  static constexpr int kMinPixelSize = 1;
  static constexpr int kMaxPixelSize = kMaxFontSize;

  // Opens face `faceIndex` of `file` at `pixelSize` (the em size in pixels,
  // as fontconfig's "pixelsize" counts it). Null with a one-line reason in
  // `error` when FreeType cannot read the file. Throws only std::bad_alloc.
  static std::unique_ptr<CaptionFont> Open(const std::string& file, int faceIndex, int pixelSize,
                                           std::string& error);

  ~CaptionFont();
  CaptionFont(const CaptionFont&) = delete;
  CaptionFont& operator=(const CaptionFont&) = delete;

  int PixelSize() const { return pixelSize_; }
  // Differs between any two fonts opened in this process, so that a cache
  // of drawn text can tell a new font at an old address.
  uint64_t Serial() const { return serial_; }
  // Distance between the baselines of two lines.
  int LineHeight() const { return lineHeight_; }

  // Blends the anti-aliased coverage of `text` in `color` onto `frame`, the
  // first line's top at y and its pen starting at x; '\n' starts a line.
  // Any x, y and frame size are fine: what falls outside is skipped.
  //
  // Each byte is one character: bytes 0x20-0x7E are ASCII, 0xA0-0xFF are
  // Latin-1, other bytes draw nothing and do not advance.
  //
  // Alpha is composited too (non-premultiplied "over"): on opaque pixels it
  // stays 255 and the colour is mixed by coverage; on transparent ones the
  // caption adds its coverage, so it stays visible when the host lays the
  // frame over others.
  //
  // Renders each character's glyph on its first use; after that, drawing
  // allocates nothing. One thread at a time per font object.
  void Draw(RgbaFrame frame, std::string_view text, int64_t x, int64_t y, RgbColor color);

  // The boxes Draw would touch for `text` at (0, 0). Renders glyphs as Draw does.
  TextExtent Measure(std::string_view text);

 private:
  struct Glyph {
    bool loaded = false;
    int left = 0;     // from the pen to the bitmap's left column
    int top = 0;      // from the baseline up to the bitmap's top row
    int advance = 0;  // whole pixels
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;  // width * rows, 0-255
    std::vector<Run> runs;          // every pixel whose coverage is not 0
  };
  struct Library;

  CaptionFont(std::unique_ptr<Library> library, int pixelSize);
  const Glyph& GlyphFor(unsigned char byte);
  // Calls visit(glyph, left, top) for each character, with the top-left
  // corner of its bitmap for a text whose top-left corner is (x, y).
  template <typename Visit>
  void Layout(std::string_view text, int64_t x, int64_t y, Visit&& visit);
  void Render(unsigned char byte, Glyph& glyph);

  std::unique_ptr<Library> library_;  // FreeType's library and face: this font's alone
  int pixelSize_;
  uint64_t serial_;
  int ascender_ = 0;
  int lineHeight_ = 0;
  std::array<Glyph, 256> glyphs_;
};

}  // namespace meridel::drawing
