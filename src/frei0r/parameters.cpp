#include "frei0r/parameters.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/c_locale_space.h"

namespace meridel::frei0r {
namespace {

uint8_t ColorByte(float component) {
  // Out-of-range components are clamped; NaN reads as 0.
  const float clamped = std::clamp(component, 0.0f, 1.0f);
  return static_cast<uint8_t>(std::lround((clamped == clamped ? clamped : 0.0f) * 255.0f));
}

// The setting each text parameter but "time unit" writes.
std::optional<CaptionSetting> CaptionSettingOf(Parameter parameter) {
  switch (parameter) {
    case kGpxFile:
      return CaptionSetting::kGpxFile;
    case kUtcOffset:
      return CaptionSetting::kUtcOffset;
    case kClockDifference:
      return CaptionSetting::kClockDifference;
    case kFont:
      return CaptionSetting::kFont;
    case kFontSize:
      return CaptionSetting::kFontSize;
    case kJosmZoom:
      return CaptionSetting::kJosmZoom;
    default:
      return std::nullopt;
  }
}

}  // namespace

const ParameterInfo kParameters[kParameterCount] = {
    {"gpx file", ParameterType::kString, "The GPX track: its first segment's points are the camera's positions"},
    {"utc offset", ParameterType::kString, "The local clock's offset from UTC for the date and time shown: +02:00, -03:30"},
    {"clock difference", ParameterType::kString,
     "Added to every frame's time, for a camera clock off the GPS clock: -00:00:05, +1:30:00"},
    {"x", ParameterType::kDouble, "The caption's left edge, a fraction of the frame's width"},
    {"y", ParameterType::kDouble, "The caption's top edge, a fraction of the frame's height"},
    {"font", ParameterType::kString, "A fontconfig family or pattern, or a font file"},
    {"font size", ParameterType::kString, "The font's size in pixels; empty: a thirtieth of the frame's height"},
    {"text color", ParameterType::kColor, "The caption's colour"},
    {"border color", ParameterType::kColor, "The colour of the caption's one-pixel border"},
    {"josm sync", ParameterType::kBool, "Move JOSM's map to each frame's position (remote control on 127.0.0.1:8111)"},
    {"josm zoom", ParameterType::kString, "The size of JOSM's view, -10 to 10: higher is closer"},
    {"time unit", ParameterType::kString,
     "The unit of the host's frame times: auto, s or ms (auto knows ffmpeg's and MLT's)"},
};

Settings DefaultSettings() {
  Settings settings;
  for (int index = 0; index < kParameterCount; ++index) {
    const auto parameter = static_cast<Parameter>(index);
    if (kParameters[index].type != ParameterType::kString) continue;
    const std::optional<CaptionSetting> setting = CaptionSettingOf(parameter);
    SetString(settings, parameter, setting ? DefaultText(*setting) : std::string_view("auto"));
  }
  return settings;
}

Refusal SetDouble(Settings& settings, Parameter parameter, double value) {
  if (!std::isfinite(value)) return std::string(kParameters[parameter].name) + " must be a finite number";
  switch (parameter) {
    case kX:
      settings.caption.x = value;
      return {};
    case kY:
      settings.caption.y = value;
      return {};
    case kJosmSync:
      // frei0r's booleans are doubles: 0.5 and above is true.
      settings.caption.josmSync = value >= 0.5;
      return {};
    default:
      return std::string(kParameters[parameter].name) + " is not a number parameter";
  }
}

Refusal SetColor(Settings& settings, Parameter parameter, Color value) {
  const RgbColor color{ColorByte(value.r), ColorByte(value.g), ColorByte(value.b)};
  switch (parameter) {
    case kTextColor:
      settings.caption.textColor = color;
      return {};
    case kBorderColor:
      settings.caption.borderColor = color;
      return {};
    default:
      return std::string(kParameters[parameter].name) + " is not a colour parameter";
  }
}

Refusal SetString(Settings& settings, Parameter parameter, std::string_view value) {
  const char* name = kParameters[parameter].name;
  if (parameter == kTimeUnit) {
    const std::string_view unit = TrimCLocaleSpace(value);
    if (unit == "auto") {
      settings.timeUnit = TimeUnit::kAuto;
    } else if (unit == "s") {
      settings.timeUnit = TimeUnit::kSeconds;
    } else if (unit == "ms") {
      settings.timeUnit = TimeUnit::kMilliseconds;
    } else {
      return std::string(name) + " \"" + std::string(value) + "\" is not auto, s or ms";
    }
  } else if (const std::optional<CaptionSetting> setting = CaptionSettingOf(parameter)) {
    if (!SetFromText(settings.caption, *setting, value)) return RefusalText(name, value, *setting);
  } else {
    return std::string(name) + " is not a text parameter";
  }
  settings.texts[parameter] = value;
  return {};
}

}  // namespace meridel::frei0r
