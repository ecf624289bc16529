#include "media/image_planes.h"

#include <cstddef>

namespace meridel::media {

void Yuv420pPlanes(int width, int height, void* data, uint8_t* planes[4], int strides[4]) {
  strides[0] = width;
  strides[1] = strides[2] = width / 2;
  strides[3] = 0;
  planes[0] = static_cast<uint8_t*>(data);
  planes[1] = planes[0] + ptrdiff_t{width} * height;
  planes[2] = planes[1] + ptrdiff_t{width / 2} * (height / 2);
  planes[3] = nullptr;
}

void ImagePlanes(mlt_image_format format, int width, int height, void* data, uint8_t* planes[4], int strides[4]) {
  if (format == mlt_image_yuv420p) {
    Yuv420pPlanes(width, height, data, planes, strides);
  } else {
    mlt_image_format_planes(format, width, height, data, planes, strides);
  }
}

}  // namespace meridel::media
