#include "frei0r/bordered_caption.h"

#include <algorithm>
#include <cstring>

namespace meridel::frei0r {
namespace {

// Larger captions are not worth an image of their own: 16 MiB.
constexpr int64_t kMaxImagePixels = int64_t{1} << 22;

inline uint32_t Div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

bool SameColor(RgbColor a, RgbColor b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// Non-premultiplied "over" of one image pixel with alpha 1-254.
inline void BlendOver(uint8_t* pixel, const uint8_t* over) {
  const uint32_t alpha = over[3];
  const uint32_t rest = 255 - alpha;
  const uint32_t frameAlpha = pixel[3];
  if (frameAlpha == 255) {
    pixel[0] = static_cast<uint8_t>(Div255(over[0] * alpha + pixel[0] * rest));
    pixel[1] = static_cast<uint8_t>(Div255(over[1] * alpha + pixel[1] * rest));
    pixel[2] = static_cast<uint8_t>(Div255(over[2] * alpha + pixel[2] * rest));
    return;
  }
  const uint32_t overWeight = alpha * 255;
  const uint32_t frameWeight = frameAlpha * rest;
  const uint32_t total = overWeight + frameWeight;  // > 0: alpha > 0
  pixel[0] = static_cast<uint8_t>((over[0] * overWeight + pixel[0] * frameWeight + total / 2) / total);
  pixel[1] = static_cast<uint8_t>((over[1] * overWeight + pixel[1] * frameWeight + total / 2) / total);
  pixel[2] = static_cast<uint8_t>((over[2] * overWeight + pixel[2] * frameWeight + total / 2) / total);
  pixel[3] = static_cast<uint8_t>(Div255(total));
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
      for (uint32_t c = 0; c < width_;) {
        const uint8_t alpha = row[c * 4 + 3];
        if (alpha == 0) {
          ++c;
          continue;
        }
        const bool opaque = alpha == 255;
        uint32_t end = c + 1;
        while (end < width_ && row[end * 4 + 3] != 0 && (row[end * 4 + 3] == 255) == opaque) ++end;
        runs_.push_back({r, c, end - c, opaque});
        c = end;
      }
    }
  }
  fontSerial_ = font.Serial();
  return composed_;
}

void BorderedCaption::Draw(CaptionFont& font, RgbaFrame frame, std::string_view text, int64_t x, int64_t y,
                           RgbColor textColor, RgbColor borderColor) {
  if (frame.pixels == nullptr || frame.width == 0 || frame.height == 0) return;
  const bool same = fontSerial_ == font.Serial() && text_ == text && SameColor(textColor_, textColor) &&
                    SameColor(borderColor_, borderColor);
  if (!(same ? composed_ : Compose(font, text, textColor, borderColor))) {
    DrawCaptionPasses(font, frame, text, x, y, textColor, borderColor);
    return;
  }
  const int64_t left = std::clamp(x, -kFarOutside, kFarOutside) + left_;
  const int64_t top = std::clamp(y, -kFarOutside, kFarOutside) + top_;
  const int64_t frameWidth = frame.width;
  const int64_t frameHeight = frame.height;
  if (left >= frameWidth || top >= frameHeight || left + width_ <= 0 || top + height_ <= 0) return;

  auto* bytes = reinterpret_cast<uint8_t*>(frame.pixels);
  const auto* image = reinterpret_cast<const uint8_t*>(image_.data());
  for (const Run& run : runs_) {
    const int64_t row = top + run.row;
    const int64_t start = left + run.column;
    const auto [first, end] = ClipRun(row, start, run.length, frameWidth, frameHeight);
    if (first >= end) continue;
    uint8_t* pixel = bytes + (row * frameWidth + first) * 4;
    const uint8_t* over = image + ((int64_t{run.row} * width_) + run.column + (first - start)) * 4;
    if (run.opaque) {
      std::memcpy(pixel, over, static_cast<size_t>(end - first) * 4);
      continue;
    }
    for (int64_t i = first; i < end; ++i, pixel += 4, over += 4) BlendOver(pixel, over);
  }
}

}  // namespace meridel::frei0r
