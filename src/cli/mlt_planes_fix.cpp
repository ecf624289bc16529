// MLT up to 7.12 finds a yuv420p image's Cr plane inside its Cb plane
// (media/image_planes.h), and avformat's consumer, which finds an image's
// planes through mlt_image_format_planes(), then encodes Cb samples shifted
// in place of Cr. The command hands the consumer yuv420p, the decoder's own
// format, which saves two conversions of every frame (to MLT's default
// yuv422 and back): so it supplies the function, exported from the
// executable, where the dynamic linker finds it before libmlt's. Every other
// format is MLT's.
#include <dlfcn.h>

#include "media/image_planes.h"

extern "C" __attribute__((visibility("default"))) void mlt_image_format_planes(mlt_image_format format, int width,
                                                                              int height, void* data,
                                                                              uint8_t* planes[4], int strides[4]) {
  using Planes = void (*)(mlt_image_format, int, int, void*, uint8_t*[4], int[4]);
  static const Planes mlts = reinterpret_cast<Planes>(dlsym(RTLD_NEXT, "mlt_image_format_planes"));
  if (format != mlt_image_yuv420p && mlts) {
    mlts(format, width, height, data, planes, strides);
    return;
  }
  meridel::media::Yuv420pPlanes(width, height, data, planes, strides);
}
