// Where the planes of an image MLT hands over lie. MLT 7 up to 7.12 (Debian
// 12's) has mlt_image_format_planes() put a yuv420p image's Cr plane
// (width / 2 + height / 2) bytes after its Cb plane, inside it, where MLT's
// producers put it a whole Cb plane after; 7.14 fixed the function ("Fixed
// mlt_image_format_planes() for mlt_image_yuv420p"), and there these agree
// with it.
#pragma once

#include <cstdint>

extern "C" {
#include <framework/mlt_image.h>
}

namespace meridel::media {

// A yuv420p image of width × height pixels at `data` as MLT's producers lay
// it out: Y, then Cb and Cr of (width / 2) × (height / 2) samples, one after
// the other. planes[3] is null and strides[3] 0.
void Yuv420pPlanes(int width, int height, void* data, uint8_t* planes[4], int strides[4]);

// What mlt_image_format_planes() gives for `format`, yuv420p's by Yuv420pPlanes.
void ImagePlanes(mlt_image_format format, int width, int height, void* data, uint8_t* planes[4], int strides[4]);

}  // namespace meridel::media
