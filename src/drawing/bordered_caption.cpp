#include "drawing/bordered_caption.h"

#include <algorithm>
#include <cstring>

#include "drawing/blend.h"

namespace meridel::drawing {
namespace {

// Larger captions are not worth an image of their own: 16 MiB.
constexpr int64_t kMaxImagePixels = int64_t{1} << 22;

int64_t FloorDiv(int64_t value, int64_t divisor) {
  return value / divisor - (value % divisor != 0 && value < 0);
}

}  // namespace

void DrawCaptionPasses(CaptionFont& font, RgbaFrame frame, std::string_view text, int64_t x, int64_t y,
                       RgbColor textColor, RgbColor borderColor) {
  x = std::clamp(x, -kFarOutside, kFarOutside);
  y = std::clamp(y, -kFarOutside, kFarOutside);
  for (const CaptionPass& pass : kCaptionPasses) {
    font.Draw(frame, text, x + pass.dx, y + pass.dy, pass.border ? borderColor : textColor);
  }
}

bool BorderedCaption::Compose(CaptionFont& font, std::string_view text, RgbColor textColor,
                              RgbColor borderColor) {
  fontSerial_ = 0;  // stays so if anything below throws
  const TextBox ink = font.Measure(text).ink;
  // The ink and the border's pixel around it.
  const int64_t width = std::max<int64_t>(ink.right - ink.left, 0) + 2;
  const int64_t height = std::max<int64_t>(ink.bottom - ink.top, 0) + 2;
  text_.assign(text);
  textColor_ = textColor;
  borderColor_ = borderColor;
  composed_ = width * height <= kMaxImagePixels;
  if (composed_) {
    left_ = ink.left - 1;
    top_ = ink.top - 1;
    width_ = static_cast<uint32_t>(width);
    height_ = static_cast<uint32_t>(height);
    image_.assign(static_cast<size_t>(width * height), 0);  // transparent
    DrawCaptionPasses(font, {image_.data(), width_, height_}, text, -left_, -top_, textColor, borderColor);

    runs_.clear();
    const auto* bytes = reinterpret_cast<const uint8_t*>(image_.data());
    for (uint32_t r = 0; r < height_; ++r) {
      const uint8_t* row = bytes + static_cast<size_t>(r) * width_ * 4;
      AppendRuns(runs_, r, width_, [row](uint32_t c) { return row[c * 4 + 3]; });
    }
  }
  yuvReady_ = false;
  chromaReady_ = false;
  fontSerial_ = font.Serial();
  return composed_;
}

bool BorderedCaption::Draw(CaptionFont& font, const Picture& picture, std::string_view text, int64_t x, int64_t y,
                           RgbColor textColor, RgbColor borderColor) {
  if (picture.planes[0] == nullptr || picture.width == 0 || picture.height == 0) return true;
  const bool same = fontSerial_ == font.Serial() && text_ == text && textColor_ == textColor &&
                    borderColor_ == borderColor;
  if (!(same ? composed_ : Compose(font, text, textColor, borderColor))) {
    if (picture.layout != PixelLayout::kRgba || picture.strides[0] != ptrdiff_t{picture.width} * 4) return false;
    DrawCaptionPasses(font, {reinterpret_cast<uint32_t*>(picture.planes[0]), picture.width, picture.height}, text, x,
                      y, textColor, borderColor);
    return true;
  }
  const int64_t left = std::clamp(x, -kFarOutside, kFarOutside) + left_;
  const int64_t top = std::clamp(y, -kFarOutside, kFarOutside) + top_;
  if (left >= picture.width || top >= picture.height || left + width_ <= 0 || top + height_ <= 0) return true;
  switch (picture.layout) {
    case PixelLayout::kRgba:
    case PixelLayout::kRgb:
      DrawRgb(picture, left, top);
      break;
    case PixelLayout::kYuyv:
    case PixelLayout::kYuv420p:
      if (!yuvReady_ || !(yuvEncoding_ == picture.encoding)) ConvertToYuv(picture.encoding);
      DrawLuma(picture, left, top);
      DrawChroma(picture, left, top);
      break;
  }
  return true;
}

void BorderedCaption::DrawRgb(const Picture& picture, int64_t left, int64_t top) const {
  const bool withAlpha = picture.layout == PixelLayout::kRgba;
  const int64_t bytesPerPixel = withAlpha ? 4 : 3;
  const auto* image = reinterpret_cast<const uint8_t*>(image_.data());
  ForRunsInside(runs_, left, top, picture.width, picture.height,
                [&](const Run& run, int64_t row, int64_t first, int64_t end, int64_t skipped) {
                  uint8_t* pixel = picture.planes[0] + row * picture.strides[0] + first * bytesPerPixel;
                  const uint8_t* over = image + ((int64_t{run.row} * width_) + run.column + skipped) * 4;
                  if (withAlpha && run.opaque) {
                    std::memcpy(pixel, over, static_cast<size_t>(end - first) * 4);
                    return;
                  }
                  for (int64_t i = first; i < end; ++i, pixel += bytesPerPixel, over += 4) {
                    if (withAlpha) {
                      BlendOver(pixel, over[0], over[1], over[2], over[3]);
                    } else if (run.opaque) {
                      std::memcpy(pixel, over, 3);
                    } else {
                      for (int c = 0; c < 3; ++c) pixel[c] = Mix(over[c], pixel[c], over[3]);
                    }
                  }
                });
}

void BorderedCaption::ConvertToYuv(YuvEncoding encoding) {
  yuv_.assign(image_.size(), YuvColor{});
  const auto* image = reinterpret_cast<const uint8_t*>(image_.data());
  for (size_t i = 0; i < image_.size(); ++i) {
    const uint8_t* pixel = image + i * 4;
    if (pixel[3] != 0) yuv_[i] = ToYuv({pixel[0], pixel[1], pixel[2]}, encoding);
  }
  yuvEncoding_ = encoding;
  yuvReady_ = true;
  chromaReady_ = false;
}

void BorderedCaption::DrawLuma(const Picture& picture, int64_t left, int64_t top) const {
  const int64_t step = picture.layout == PixelLayout::kYuyv ? 2 : 1;
  const auto* image = reinterpret_cast<const uint8_t*>(image_.data());
  ForRunsInside(runs_, left, top, picture.width, picture.height,
                [&](const Run& run, int64_t row, int64_t first, int64_t end, int64_t skipped) {
                  uint8_t* sample = picture.planes[0] + row * picture.strides[0] + first * step;
                  size_t i = static_cast<size_t>(int64_t{run.row} * width_ + run.column + skipped);
                  for (int64_t column = first; column < end; ++column, sample += step, ++i) {
                    *sample = run.opaque ? yuv_[i].y : Mix(yuv_[i].y, *sample, image[i * 4 + 3]);
                  }
                });
}

void BorderedCaption::ComposeChroma(uint32_t blockWidth, uint32_t blockHeight, uint32_t phaseX, uint32_t phaseY) {
  gridWidth_ = (phaseX + width_ + blockWidth - 1) / blockWidth;
  gridHeight_ = (phaseY + height_ + blockHeight - 1) / blockHeight;
  struct Sums {
    uint32_t alpha = 0;
    uint32_t cb = 0;
    uint32_t cr = 0;
  };
  std::vector<Sums> sums(size_t{gridWidth_} * gridHeight_);
  const auto* image = reinterpret_cast<const uint8_t*>(image_.data());
  for (uint32_t r = 0; r < height_; ++r) {
    for (uint32_t c = 0; c < width_; ++c) {
      const size_t i = size_t{r} * width_ + c;
      const uint32_t alpha = image[i * 4 + 3];
      if (alpha == 0) continue;
      Sums& cell = sums[size_t{(phaseY + r) / blockHeight} * gridWidth_ + (phaseX + c) / blockWidth];
      cell.alpha += alpha;
      cell.cb += alpha * yuv_[i].cb;
      cell.cr += alpha * yuv_[i].cr;
    }
  }
  // Pixels of a block outside the caption count as uncovered.
  const uint32_t block = blockWidth * blockHeight;
  chroma_.assign(sums.size(), ChromaCell{});
  for (size_t i = 0; i < sums.size(); ++i) {
    const Sums& sum = sums[i];
    if (sum.alpha == 0) continue;
    chroma_[i] = {static_cast<uint8_t>((sum.alpha + block / 2) / block),
                  static_cast<uint8_t>((sum.cb + sum.alpha / 2) / sum.alpha),
                  static_cast<uint8_t>((sum.cr + sum.alpha / 2) / sum.alpha)};
  }
  chromaRuns_.clear();
  for (uint32_t r = 0; r < gridHeight_; ++r) {
    const ChromaCell* row = chroma_.data() + size_t{r} * gridWidth_;
    AppendRuns(chromaRuns_, r, gridWidth_, [row](uint32_t c) { return row[c].alpha; });
  }
  blockWidth_ = blockWidth;
  blockHeight_ = blockHeight;
  phaseX_ = phaseX;
  phaseY_ = phaseY;
  chromaReady_ = true;
}

void BorderedCaption::DrawChroma(const Picture& picture, int64_t left, int64_t top) {
  const bool packed = picture.layout == PixelLayout::kYuyv;
  const uint32_t blockWidth = 2;
  const uint32_t blockHeight = packed ? 1 : 2;
  const int64_t gridLeft = FloorDiv(left, blockWidth);
  const int64_t gridTop = FloorDiv(top, blockHeight);
  const auto phaseX = static_cast<uint32_t>(left - gridLeft * blockWidth);
  const auto phaseY = static_cast<uint32_t>(top - gridTop * blockHeight);
  if (!chromaReady_ || blockWidth_ != blockWidth || blockHeight_ != blockHeight || phaseX_ != phaseX ||
      phaseY_ != phaseY) {
    ComposeChroma(blockWidth, blockHeight, phaseX, phaseY);
  }
  ForRunsInside(chromaRuns_, gridLeft, gridTop, picture.chromaWidth, picture.chromaHeight,
                [&](const Run& run, int64_t row, int64_t first, int64_t end, int64_t skipped) {
                  const ChromaCell* cell = &chroma_[size_t{run.row} * gridWidth_ + run.column + skipped];
                  uint8_t* cb;
                  uint8_t* cr;
                  int64_t step;
                  if (packed) {
                    cb = picture.planes[0] + row * picture.strides[0] + first * 4 + 1;
                    cr = cb + 2;
                    step = 4;
                  } else {
                    cb = picture.planes[1] + row * picture.strides[1] + first;
                    cr = picture.planes[2] + row * picture.strides[2] + first;
                    step = 1;
                  }
                  for (int64_t i = first; i < end; ++i, ++cell, cb += step, cr += step) {
                    *cb = run.opaque ? cell->cb : Mix(cell->cb, *cb, cell->alpha);
                    *cr = run.opaque ? cell->cr : Mix(cell->cr, *cr, cell->alpha);
                  }
                });
}

}  // namespace meridel::drawing
