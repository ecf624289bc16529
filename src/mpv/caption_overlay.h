// The caption as mpv draws it: ASS events for the osd-overlay command,
// placed on the video rectangle of mpv's OSD.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "overlay/caption_settings.h"

namespace meridel::mpv {

// mpv's osd-dimensions: the OSD (the window) and the margins around the
// video in it, in pixels; all 0 while no video output has a size (--vo=null).
struct OsdGeometry {
  int64_t width = 0;
  int64_t height = 0;
  int64_t marginLeft = 0;
  int64_t marginRight = 0;
  int64_t marginTop = 0;
  int64_t marginBottom = 0;
};

struct CaptionOverlay {
  std::string events;  // the osd-overlay's data: one ASS event
  int64_t resX;        // its res_x and res_y: one unit is one OSD pixel
  int64_t resY;
};

// The caption's text (lines separated by '\n') at the settings' x and y as
// fractions of the video rectangle, in kDefaultFont (mpv offers no font
// setting: its OSD has its own options), in the text colour with a one-pixel
// border in the border colour, its font size that of the frame (a video
// `videoHeight` pixels tall) scaled to the rectangle. Without an OSD size,
// the video's own. Nothing while neither size is known.
std::optional<CaptionOverlay> BuildCaptionOverlay(std::string_view caption, const CaptionSettings& settings,
                                                  const OsdGeometry& osd, int64_t videoWidth, int64_t videoHeight);

// `text` as literal ASS text: braces and backslashes escaped, '\n' as ASS's
// line break, other control characters dropped.
std::string EscapeAss(std::string_view text);

}  // namespace meridel::mpv
