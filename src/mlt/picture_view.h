// The images MLT hands a filter, seen as pictures the caption is drawn onto
// in place, in the format the chain already has.
#pragma once

#include <cstdint>
#include <optional>

extern "C" {
#include <framework/mlt_frame.h>
#include <framework/mlt_profile.h>
}

#include "drawing/picture.h"

namespace meridel::mlt {

// Whether the caption is drawn straight onto images of `format`: rgba, rgb,
// yuv422 and yuv420p.
bool DrawsOn(mlt_image_format format);

// The picture of an image in one of those formats; nothing for the others. Y'CbCr images are read as
// the frame's properties say (`colorspace`, `full_range`), or the
// profile's colour space when the frame names none.
std::optional<drawing::Picture> PictureOf(uint8_t* image, mlt_image_format format, int width, int height,
                                          mlt_properties frame, mlt_profile profile);

// Brings a frame's image of any other pixel format (yuv422p16, and the
// 10-bit formats of MLT 7.16 on) to 8-bit 4:2:2 through the frame's own
// converter. False, the image untouched, when
// it cannot: GPU images (movit, textures) never can.
bool ConvertToDrawable(mlt_frame frame, uint8_t** image, mlt_image_format* format);

}  // namespace meridel::mlt
