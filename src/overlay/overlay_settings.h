// The settings block the host stores with a project as the filter's extra
// data. Its bytes are a stored format: the layout must never change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace meridel {

// Colours are COLORREF words: red in bits 0-7, green 8-15, blue 16-23.
using Colour = uint32_t;

// Every field is 4-byte aligned, so the natural layout is the stored one,
// without gaps (asserted below).
struct OverlaySettings {
  int32_t spareA;
  int32_t spareB;
  Colour textColor;
  Colour borderColor;
  char faceName[32];  // NUL-terminated when written by us; may not be when read back
  int32_t fontHeight;
  int32_t baseTime;  // UTC seconds of the last imported track's first point
  int32_t spareC;
};

static_assert(sizeof(OverlaySettings) == 60);
static_assert(offsetof(OverlaySettings, spareA) == 0);
static_assert(offsetof(OverlaySettings, spareB) == 4);
static_assert(offsetof(OverlaySettings, textColor) == 8);
static_assert(offsetof(OverlaySettings, borderColor) == 12);
static_assert(offsetof(OverlaySettings, faceName) == 16);
static_assert(offsetof(OverlaySettings, fontHeight) == 48);
static_assert(offsetof(OverlaySettings, baseTime) == 52);
static_assert(offsetof(OverlaySettings, spareC) == 56);

// The values start-up gives the block after clearing it.
inline constexpr int32_t kStartSpare = 10;
inline constexpr Colour kStartTextColor = 0x00FFFFFF;    // white
inline constexpr Colour kStartBorderColor = 0x0000FF00;  // green

// The red, green and blue of a colour, each 0-255, as drawing takes them.
struct Rgb {
  int32_t red;
  int32_t green;
  int32_t blue;
};

constexpr Rgb ToRgb(Colour colour) {
  return {static_cast<int32_t>(colour & 0xFF), static_cast<int32_t>((colour >> 8) & 0xFF),
          static_cast<int32_t>((colour >> 16) & 0xFF)};
}

}  // namespace meridel
