#include "frei0r/parameters.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/c_locale_space.h"
#include "frei0r/clock_text.h"
#include "frei0r/font_lookup.h"

namespace meridel::frei0r {
namespace {

constexpr int32_t kMaxFontSize = CaptionFont::kMaxPixelSize;

// A whole decimal number with an optional sign, nothing around it.
bool ReadInteger(std::string_view text, int32_t& value) {
  text = TrimCLocaleSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

uint8_t ColorByte(float component) {
  // Out-of-range components are clamped; NaN reads as 0.
  const float clamped = std::clamp(component, 0.0f, 1.0f);
  return static_cast<uint8_t>(std::lround((clamped == clamped ? clamped : 0.0f) * 255.0f));
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

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
  const struct {
    Parameter parameter;
    const char* text;
  } texts[] = {
      {kGpxFile, ""},
      {kUtcOffset, "+00:00"},
      {kClockDifference, "+00:00:00"},
      {kFont, kDefaultFontPattern.data()},
      {kFontSize, ""},
      {kJosmZoom, "0"},
      {kTimeUnit, "auto"},
  };
  for (const auto& text : texts) SetString(settings, text.parameter, text.text);
  return settings;
}

Refusal SetDouble(Settings& settings, Parameter parameter, double value) {
  if (!std::isfinite(value)) return std::string(kParameters[parameter].name) + " must be a finite number";
  switch (parameter) {
    case kX:
      settings.x = value;
      return {};
    case kY:
      settings.y = value;
      return {};
    case kJosmSync:
      // frei0r's booleans are doubles: 0.5 and above is true.
      settings.josmSync = value >= 0.5;
      return {};
    default:
      return std::string(kParameters[parameter].name) + " is not a number parameter";
  }
}

Refusal SetColor(Settings& settings, Parameter parameter, Color value) {
  const RgbColor color{ColorByte(value.r), ColorByte(value.g), ColorByte(value.b)};
  switch (parameter) {
    case kTextColor:
      settings.textColor = color;
      return {};
    case kBorderColor:
      settings.borderColor = color;
      return {};
    default:
      return std::string(kParameters[parameter].name) + " is not a colour parameter";
  }
}

Refusal SetString(Settings& settings, Parameter parameter, std::string_view value) {
  const std::string name = kParameters[parameter].name;
  switch (parameter) {
    case kGpxFile:
      settings.gpxFile = TrimCLocaleSpace(value);
      break;
    case kUtcOffset:
      if (const std::optional<int32_t> offset = ParseUtcOffset(value)) {
        settings.utcOffset = *offset;
        break;
      }
      return name + " " + Quoted(value) + " is not an offset such as +02:00 or -03:30";
    case kClockDifference:
      if (const std::optional<int32_t> difference = ParseClockDifference(value)) {
        settings.clockDifference = *difference;
        break;
      }
      return name + " " + Quoted(value) + " is not a difference such as -00:00:05 or +1:30:00";
    case kFont:
      settings.font = TrimCLocaleSpace(value);
      break;
    case kFontSize: {
      int32_t size = 0;
      if (TrimCLocaleSpace(value).empty() || (ReadInteger(value, size) && size >= 1 && size <= kMaxFontSize)) {
        settings.fontSize = size;
        break;
      }
      return name + " " + Quoted(value) + " is not a size in pixels from 1 to " + std::to_string(kMaxFontSize);
    }
    case kJosmZoom: {
      int32_t zoom = 0;
      if (ReadInteger(value, zoom) && zoom >= -10 && zoom <= 10) {
        settings.josmZoom = zoom;
        break;
      }
      return name + " " + Quoted(value) + " is not a whole number from -10 to 10";
    }
    case kTimeUnit: {
      const std::string_view unit = TrimCLocaleSpace(value);
      if (unit == "auto") {
        settings.timeUnit = TimeUnit::kAuto;
      } else if (unit == "s") {
        settings.timeUnit = TimeUnit::kSeconds;
      } else if (unit == "ms") {
        settings.timeUnit = TimeUnit::kMilliseconds;
      } else {
        return name + " " + Quoted(value) + " is not auto, s or ms";
      }
      break;
    }
    default:
      return name + " is not a text parameter";
  }
  settings.texts[parameter] = value;
  return {};
}

int32_t FontPixelSize(const Settings& settings, uint32_t frameHeight) {
  if (settings.fontSize > 0) return settings.fontSize;
  return std::clamp<int32_t>(static_cast<int32_t>(frameHeight / 30), 12, kMaxFontSize);
}

}  // namespace meridel::frei0r
