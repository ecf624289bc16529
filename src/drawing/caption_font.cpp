#include "drawing/caption_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "drawing/blend.h"

namespace meridel::drawing {

struct CaptionFont::Library {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Library() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

namespace {

// 26.6 fixed point to whole pixels, rounded.
int Pixels(FT_Pos value) {
  const FT_Pos rounded = (value + 32) / 64;
  return static_cast<int>(std::clamp<FT_Pos>(rounded, -(1 << 20), 1 << 20));
}

bool Draws(unsigned char byte) { return byte >= 0x20 && (byte < 0x7F || byte >= 0xA0); }

}  // namespace

std::unique_ptr<CaptionFont> CaptionFont::Open(const std::string& file, int faceIndex, int pixelSize,
                                               std::string& error) {
  auto library = std::make_unique<Library>();
  if (FT_Init_FreeType(&library->library) != 0) {
    error = "FreeType could not start";
    return nullptr;
  }
  const FT_Error opened = FT_New_Face(library->library, file.c_str(), faceIndex, &library->face);
  if (opened != 0) {
    error = "cannot read the font file '" + file + "' (FreeType error " + std::to_string(opened) + ")";
    return nullptr;
  }
  FT_Face face = library->face;
  // Bytes are looked up as Unicode code points; a face without a Unicode map
  // keeps the one FreeType chose.
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  pixelSize = std::clamp(pixelSize, kMinPixelSize, kMaxPixelSize);
  FT_Error sized = 0;
  if (FT_IS_SCALABLE(face)) {
    sized = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
  } else if (face->num_fixed_sizes > 0) {
    // A bitmap font has only its strikes: take the nearest in height.
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
      if (std::abs(face->available_sizes[i].height - pixelSize) <
          std::abs(face->available_sizes[best].height - pixelSize)) {
        best = i;
      }
    }
    sized = FT_Select_Size(face, best);
  } else {
    sized = 1;
  }
  if (sized != 0) {
    error = "cannot size the font in '" + file + "' to " + std::to_string(pixelSize) + " pixels";
    return nullptr;
  }

  std::unique_ptr<CaptionFont> font(new CaptionFont(std::move(library), pixelSize));
  const FT_Size_Metrics& metrics = face->size->metrics;
  font->ascender_ = Pixels(metrics.ascender);
  font->lineHeight_ = Pixels(metrics.height);
  if (font->ascender_ <= 0) font->ascender_ = pixelSize;
  if (font->lineHeight_ <= 0) font->lineHeight_ = pixelSize;
  return font;
}

CaptionFont::CaptionFont(std::unique_ptr<Library> library, int pixelSize)
    : library_(std::move(library)), pixelSize_(pixelSize) {
  static std::atomic<uint64_t> opened{0};
  serial_ = ++opened;
}

CaptionFont::~CaptionFont() = default;

template <typename Visit>
void CaptionFont::Layout(std::string_view text, int64_t x, int64_t y, Visit&& visit) {
  x = std::clamp(x, -kFarOutside, kFarOutside);
  y = std::clamp(y, -kFarOutside, kFarOutside);
  int64_t baseline = y + ascender_;
  int64_t pen = x;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      baseline += lineHeight_;
      pen = x;
      continue;
    }
    const Glyph& glyph = GlyphFor(byte);
    visit(glyph, pen + glyph.left, baseline - glyph.top);
    pen += glyph.advance;
  }
}

const CaptionFont::Glyph& CaptionFont::GlyphFor(unsigned char byte) {
  Glyph& glyph = glyphs_[byte];
  if (!glyph.loaded) Render(byte, glyph);
  return glyph;
}

void CaptionFont::Render(unsigned char byte, Glyph& glyph) {
  // Marked first: a glyph FreeType cannot render stays empty instead of
  // being tried again on every frame.
  glyph.loaded = true;
  if (!Draws(byte)) return;
  FT_Face face = library_->face;
  const FT_UInt index = FT_Get_Char_Index(face, byte);
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return;
  FT_GlyphSlot slot = face->glyph;
  glyph.advance = Pixels(slot->advance.x);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;

  // Anything but 8-bit grey (bitmap fonts' 1-bit strikes, colour glyphs)
  // becomes 8-bit levels first.
  struct Converted {
    FT_Library library;
    FT_Bitmap bitmap;
    ~Converted() { FT_Bitmap_Done(library, &bitmap); }
  } converted{library_->library, {}};
  FT_Bitmap_Init(&converted.bitmap);
  const FT_Bitmap* source = &slot->bitmap;
  unsigned levels = source->num_grays;
  if (source->pixel_mode != FT_PIXEL_MODE_GRAY) {
    if (FT_Bitmap_Convert(library_->library, source, &converted.bitmap, 1) != 0) return;
    source = &converted.bitmap;
    levels = converted.bitmap.num_grays;
  }
  if (source->width > 0 && source->rows > 0 && levels >= 2) {
    glyph.width = static_cast<int>(source->width);
    glyph.rows = static_cast<int>(source->rows);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
    // A negative pitch means the rows are stored bottom-up.
    const unsigned char* row = source->buffer;
    if (source->pitch < 0) row -= static_cast<ptrdiff_t>(source->pitch) * (glyph.rows - 1);
    for (int r = 0; r < glyph.rows; ++r, row += source->pitch) {
      uint8_t* out = glyph.coverage.data() + static_cast<size_t>(r) * glyph.width;
      for (int c = 0; c < glyph.width; ++c) out[c] = static_cast<uint8_t>(row[c] * 255u / (levels - 1));
    }
    for (int r = 0; r < glyph.rows; ++r) {
      const uint8_t* out = glyph.coverage.data() + static_cast<size_t>(r) * glyph.width;
      AppendRuns(glyph.runs, static_cast<uint32_t>(r), static_cast<uint32_t>(glyph.width),
                 [out](uint32_t c) { return out[c]; });
    }
  }
}

void CaptionFont::Draw(RgbaFrame frame, std::string_view text, int64_t x, int64_t y, RgbColor color) {
  if (frame.pixels == nullptr || frame.width == 0 || frame.height == 0) return;
  const int64_t width = frame.width;
  const int64_t height = frame.height;
  auto* bytes = reinterpret_cast<uint8_t*>(frame.pixels);
  Layout(text, x, y, [&](const Glyph& glyph, int64_t left, int64_t top) {
    if (left >= width || top >= height || left + glyph.width <= 0 || top + glyph.rows <= 0) return;
    ForRunsInside(glyph.runs, left, top, width, height,
                  [&](const Run& run, int64_t row, int64_t first, int64_t end, int64_t skipped) {
                    uint8_t* pixel = bytes + (row * width + first) * 4;
                    uint8_t* const last = bytes + (row * width + end) * 4;
                    if (run.opaque) {
                      // Fully covered: the text's colour, opaque, whatever was there.
                      for (; pixel != last; pixel += 4) {
                        pixel[0] = color.r;
                        pixel[1] = color.g;
                        pixel[2] = color.b;
                        pixel[3] = 255;
                      }
                      return;
                    }
                    const uint8_t* coverage =
                        glyph.coverage.data() + size_t{run.row} * glyph.width + run.column + skipped;
                    for (; pixel != last; pixel += 4, ++coverage) {
                      BlendOver(pixel, color.r, color.g, color.b, *coverage);
                    }
                  });
  });
}

TextExtent CaptionFont::Measure(std::string_view text) {
  TextExtent extent;
  extent.layout.bottom = lineHeight_;
  int64_t lineRight = 0;
  bool inked = false;
  for (const char c : text) {
    if (c == '\n') {
      extent.layout.bottom += lineHeight_;
      lineRight = 0;
    } else {
      lineRight += GlyphFor(static_cast<unsigned char>(c)).advance;
      extent.layout.right = std::max(extent.layout.right, lineRight);
    }
  }
  Layout(text, 0, 0, [&](const Glyph& glyph, int64_t left, int64_t top) {
    if (glyph.width == 0 || glyph.rows == 0) return;
    const TextBox box{left, top, left + glyph.width, top + glyph.rows};
    if (!inked) {
      extent.ink = box;
      inked = true;
      return;
    }
    extent.ink.left = std::min(extent.ink.left, box.left);
    extent.ink.top = std::min(extent.ink.top, box.top);
    extent.ink.right = std::max(extent.ink.right, box.right);
    extent.ink.bottom = std::max(extent.ink.bottom, box.bottom);
  });
  return extent;
}

}  // namespace meridel::drawing
