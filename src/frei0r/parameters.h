// The filter's parameters: what frei0r hosts list and set, in the order
// ffmpeg takes them (by position: the common ones first), and the settings
// they make.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "overlay/caption_settings.h"

namespace meridel::frei0r {

enum Parameter : int {
  kGpxFile,
  kUtcOffset,
  kClockDifference,
  kX,
  kY,
  kFont,
  kFontSize,
  kTextColor,
  kBorderColor,
  kJosmSync,
  kJosmZoom,
  kTimeUnit,
  kParameterCount
};

// frei0r's parameter types, as F0R_PARAM_* numbers them.
enum class ParameterType : int { kBool = 0, kDouble = 1, kColor = 2, kString = 4 };

struct ParameterInfo {
  const char* name;
  ParameterType type;
  const char* explanation;
};

extern const ParameterInfo kParameters[kParameterCount];

enum class TimeUnit { kAuto, kSeconds, kMilliseconds };

// What the parameters say, parsed. A text that cannot be read leaves the
// value it would set as it was; `texts` keeps what the host gave, for
// get_param_value. caption.start is not used: frei0r hosts pass no source
// times, so the moments count from the track's first point.
struct Settings {
  CaptionSettings caption;
  TimeUnit timeUnit = TimeUnit::kAuto;

  std::string texts[kParameterCount];  // the string parameters as given
};

// Settings with every parameter at its default, texts included.
Settings DefaultSettings();

// Why a value was not taken, for the one line the host's user sees; empty
// when it was.
using Refusal = std::string;

// The frei0r value types, as hosts hand them over.
struct Color {
  float r;
  float g;
  float b;
};

Refusal SetDouble(Settings& settings, Parameter parameter, double value);
Refusal SetColor(Settings& settings, Parameter parameter, Color value);
Refusal SetString(Settings& settings, Parameter parameter, std::string_view value);

}  // namespace meridel::frei0r
