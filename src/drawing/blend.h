// The caption's colours blended onto a picture's 8-bit samples.
#pragma once

#include <cstdint>

namespace meridel::drawing {

// v / 255 rounded, for v <= 255 * 255.
inline uint32_t Div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// A sample `over` at `alpha` (0-255) over a sample `under` of an opaque picture.
inline uint8_t Mix(uint32_t over, uint32_t under, uint32_t alpha) {
  return static_cast<uint8_t>(Div255(over * alpha + under * (255 - alpha)));
}

// Non-premultiplied "over" of the colour (r, g, b) at `alpha` (1-255) onto an
// RGBA pixel: on an opaque pixel a plain mix, which stays opaque; on another
// the pixel's colour counts by its own alpha, and the alphas add, so that a
// caption drawn onto transparency stays visible where the host lays the
// picture over others.
inline void BlendOver(uint8_t* pixel, uint32_t r, uint32_t g, uint32_t b, uint32_t alpha) {
  const uint32_t frameAlpha = pixel[3];
  if (frameAlpha == 255) {
    pixel[0] = Mix(r, pixel[0], alpha);
    pixel[1] = Mix(g, pixel[1], alpha);
    pixel[2] = Mix(b, pixel[2], alpha);
    return;
  }
  const uint32_t overWeight = alpha * 255;
  const uint32_t frameWeight = frameAlpha * (255 - alpha);
  const uint32_t total = overWeight + frameWeight;  // > 0: alpha > 0
  pixel[0] = static_cast<uint8_t>((r * overWeight + pixel[0] * frameWeight + total / 2) / total);
  pixel[1] = static_cast<uint8_t>((g * overWeight + pixel[1] * frameWeight + total / 2) / total);
  pixel[2] = static_cast<uint8_t>((b * overWeight + pixel[2] * frameWeight + total / 2) / total);
  pixel[3] = static_cast<uint8_t>(Div255(total));
}

}  // namespace meridel::drawing
