#include "drawing/picture.h"

#include <algorithm>
#include <cmath>

namespace meridel::drawing {

size_t PackedPictureSize(PixelLayout layout, uint32_t width, uint32_t height) {
  const size_t pixels = size_t{width} * height;
  switch (layout) {
    case PixelLayout::kRgba:
      return pixels * 4;
    case PixelLayout::kRgb:
      return pixels * 3;
    case PixelLayout::kYuyv:
      return pixels * 2;
    case PixelLayout::kYuv420p:
      return pixels + 2 * (size_t{(width + 1) / 2} * ((height + 1) / 2));
  }
  return 0;
}

Picture PackedPicture(PixelLayout layout, uint8_t* data, uint32_t width, uint32_t height, YuvEncoding encoding) {
  Picture picture;
  picture.layout = layout;
  picture.width = width;
  picture.height = height;
  picture.encoding = encoding;
  picture.planes[0] = data;
  switch (layout) {
    case PixelLayout::kRgba:
      picture.strides[0] = ptrdiff_t{width} * 4;
      break;
    case PixelLayout::kRgb:
      picture.strides[0] = ptrdiff_t{width} * 3;
      break;
    case PixelLayout::kYuyv:
      picture.strides[0] = ptrdiff_t{width} * 2;
      picture.chromaWidth = width / 2;  // an odd last pixel has no pair to share chroma with
      picture.chromaHeight = height;
      break;
    case PixelLayout::kYuv420p:
      picture.strides[0] = width;
      picture.chromaWidth = (width + 1) / 2;
      picture.chromaHeight = (height + 1) / 2;
      picture.strides[1] = picture.strides[2] = picture.chromaWidth;
      picture.planes[1] = data + size_t{width} * height;
      picture.planes[2] = picture.planes[1] + size_t{picture.chromaWidth} * picture.chromaHeight;
      break;
  }
  return picture;
}

YuvColor ToYuv(RgbColor color, YuvEncoding encoding) {
  const double kr = encoding.bt709 ? 0.2126 : 0.299;
  const double kb = encoding.bt709 ? 0.0722 : 0.114;
  const double r = color.r / 255.0, g = color.g / 255.0, b = color.b / 255.0;
  const double y = kr * r + (1 - kr - kb) * g + kb * b;
  const double cb = (b - y) / (2 * (1 - kb));
  const double cr = (r - y) / (2 * (1 - kr));
  const double lumaRange = encoding.fullRange ? 255 : 219;
  const double chromaRange = encoding.fullRange ? 255 : 224;
  const double lumaBase = encoding.fullRange ? 0 : 16;
  auto sample = [](double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); };
  return {sample(lumaBase + y * lumaRange), sample(128 + cb * chromaRange), sample(128 + cr * chromaRange)};
}

}  // namespace meridel::drawing
