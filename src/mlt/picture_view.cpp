#include "mlt/picture_view.h"

#include "media/image_planes.h"

namespace meridel::mlt {
namespace {

// Frames and profiles name the colour space by its standard's number (601,
// 709, 240; 0 unset) in every MLT 7. Not by mlt_colorspace: MLT 7.34
// renumbered that enum, so a compiled-in value holds for one side only.
constexpr int kBt709 = 709;

drawing::YuvEncoding EncodingOf(mlt_properties frame, mlt_profile profile) {
  int colorspace = mlt_properties_get_int(frame, "colorspace");
  if (colorspace == 0 && profile) colorspace = profile->colorspace;
  return {.bt709 = colorspace == kBt709, .fullRange = mlt_properties_get_int(frame, "full_range") != 0};
}

}  // namespace

bool DrawsOn(mlt_image_format format) {
  return format == mlt_image_rgba || format == mlt_image_rgb || format == mlt_image_yuv422 ||
         format == mlt_image_yuv420p;
}

std::optional<drawing::Picture> PictureOf(uint8_t* image, mlt_image_format format, int width, int height,
                                          mlt_properties frame, mlt_profile profile) {
  if (!image || width <= 0 || height <= 0) return std::nullopt;
  drawing::Picture picture;
  switch (format) {
    case mlt_image_rgba:
      picture.layout = drawing::PixelLayout::kRgba;
      break;
    case mlt_image_rgb:
      picture.layout = drawing::PixelLayout::kRgb;
      break;
    case mlt_image_yuv422:
      picture.layout = drawing::PixelLayout::kYuyv;
      // An odd last pixel has no pair to share a chroma sample with.
      picture.chromaWidth = static_cast<uint32_t>(width) / 2;
      picture.chromaHeight = static_cast<uint32_t>(height);
      break;
    case mlt_image_yuv420p:
      picture.layout = drawing::PixelLayout::kYuv420p;
      picture.chromaWidth = static_cast<uint32_t>(width) / 2;
      picture.chromaHeight = static_cast<uint32_t>(height) / 2;
      break;
    default:
      return std::nullopt;
  }
  picture.width = static_cast<uint32_t>(width);
  picture.height = static_cast<uint32_t>(height);
  uint8_t* planes[4] = {};
  int strides[4] = {};
  media::ImagePlanes(format, width, height, image, planes, strides);
  for (int plane = 0; plane < 3; ++plane) {
    picture.planes[plane] = planes[plane];
    picture.strides[plane] = strides[plane];
  }
  if (picture.layout == drawing::PixelLayout::kYuyv || picture.layout == drawing::PixelLayout::kYuv420p) {
    picture.encoding = EncodingOf(frame, profile);
  }
  return picture;
}

bool ConvertToDrawable(mlt_frame frame, uint8_t** image, mlt_image_format* format) {
  // Only the formats numbered alike in every MLT 7 are named here: later
  // versions added formats (yuv420p10, yuv444p10) before mlt_image_invalid,
  // so a compiled-in mlt_image_invalid is one of them there. The converter
  // refuses what it does not know.
  if (*format == mlt_image_movit || *format == mlt_image_opengl_texture || *format == mlt_image_none ||
      !frame->convert_image) {
    return false;
  }
  uint8_t* converted = *image;
  mlt_image_format convertedFormat = *format;
  if (frame->convert_image(frame, &converted, &convertedFormat, mlt_image_yuv422) != 0 ||
      convertedFormat != mlt_image_yuv422 || !converted) {
    return false;
  }
  *image = converted;
  *format = convertedFormat;
  return true;
}

}  // namespace meridel::mlt
