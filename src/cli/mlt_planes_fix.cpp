// MLT 7.12's mlt_image_format_planes() places a yuv420p image's Cr plane
// (width + height) / 2 bytes after its Cb plane instead of
// (width / 2) × (height / 2): avformat's consumer, which finds an image's
// planes through it, then encodes the Cb samples shifted in place of Cr.
// The command hands the consumer yuv420p, the decoder's own format, which
// saves two conversions of every frame (to MLT's default yuv422 and back):
// so it supplies the function, exported from the executable, where the
// dynamic linker finds it before libmlt's. Every other format is MLT's.
#include <dlfcn.h>

extern "C" {
#include <framework/mlt_image.h>
}

extern "C" __attribute__((visibility("default"))) void mlt_image_format_planes(mlt_image_format format, int width,
                                                                              int height, void* data,
                                                                              uint8_t* planes[4], int strides[4]) {
  using Planes = void (*)(mlt_image_format, int, int, void*, uint8_t*[4], int[4]);
  static const Planes mlts = reinterpret_cast<Planes>(dlsym(RTLD_NEXT, "mlt_image_format_planes"));
  if (format != mlt_image_yuv420p && mlts) {
    mlts(format, width, height, data, planes, strides);
    return;
  }
  // MLT's own layout of yuv420p: the planes one after the other, the
  // chroma planes of (width / 2) × (height / 2) samples.
  strides[0] = width;
  strides[1] = strides[2] = width / 2;
  strides[3] = 0;
  planes[0] = static_cast<uint8_t*>(data);
  planes[1] = planes[0] + width * height;
  planes[2] = planes[1] + (width / 2) * (height / 2);
  planes[3] = nullptr;
}
