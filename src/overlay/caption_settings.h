// The caption and JOSM settings that the Linux hosts offer (the frei0r and
// MLT filters, the mpv plug-in, the meridel command), and the texts their
// users write them as: one reading for every host, so that a user moving
// between hosts writes the same text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "overlay/start_rule.h"

namespace meridel {

struct RgbColor {
  uint8_t r;
  uint8_t g;
  uint8_t b;
  friend bool operator==(RgbColor, RgbColor) = default;
};

// Monospaced, so the caption keeps its width while the digits change.
inline constexpr std::string_view kDefaultFont = "DejaVu Sans Mono";
inline constexpr int32_t kMaxFontSize = 1024;  // pixels

enum class CaptionSetting : int {
  kGpxFile,
  kUtcOffset,
  kClockDifference,
  kStart,
  kX,
  kY,
  kFont,
  kFontSize,
  kTextColor,
  kBorderColor,
  kJosmSync,
  kJosmZoom,
  kCount
};

struct CaptionSettings {
  std::string gpxFile;          // the GPX track; empty: none
  int32_t utcOffset = 0;        // seconds, for the date and time shown
  int32_t clockDifference = 0;  // seconds, added to every frame's time
  StartRule start;              // what a source's moments count from
  double x = 0.01;              // the caption's top-left corner, a fraction of the frame's width
  double y = 0.01;              // and height
  std::string font{kDefaultFont};  // a fontconfig family or pattern, or a font file
  int32_t fontSize = 0;            // pixels; 0: a thirtieth of the frame's height
  RgbColor textColor{255, 255, 255};
  RgbColor borderColor{0, 0, 0};
  bool josmSync = false;
  int32_t josmZoom = 0;  // within kJosmZoomRange, as the DLL's "Zoom": higher is closer
};

// Reads `text` as the setting's value. False, with `settings` as it was,
// when the text is not one (ExpectedText in setting_table.h says what would
// be).
bool SetFromText(CaptionSettings& settings, CaptionSetting setting, std::string_view text);

// The one line a user sees for a refused text: `NAME "TEXT" is not EXPECTED`,
// with the setting named as the host names it.
std::string RefusalText(std::string_view name, std::string_view text, CaptionSetting setting);
// The same line for a host's own option: `NAME "TEXT" is not EXPECTED`.
std::string RefusalText(std::string_view name, std::string_view text, std::string_view expected);

// "#RRGGBB", "0xRRGGBB", MLT's "0xRRGGBBAA" and "#AARRGGBB" (the alpha is
// read and dropped: captions are opaque), or one of the names white, black,
// red, green, blue, yellow, cyan, magenta, orange, grey (gray).
std::optional<RgbColor> ParseColorText(std::string_view text);

// The pixel height of the caption's font on a frame `frameHeight` tall:
// `fontSize`, or for 0 a thirtieth of the frame's height, at least 12.
int32_t FontPixelSize(int32_t fontSize, uint32_t frameHeight);

}  // namespace meridel
