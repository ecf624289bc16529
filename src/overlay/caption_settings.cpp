#include "overlay/caption_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

#include "base/c_locale_space.h"
#include "overlay/clock_text.h"
#include "overlay/setting_table.h"

namespace meridel {
namespace {

// A decimal number with an optional sign and nothing around it: whole for
// an integral T; for a floating T, finite, with "." as the point whatever
// the locale.
template <typename T>
std::optional<T> ReadDecimal(std::string_view text) {
  text = TrimCLocaleSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return std::nullopt;
  }
  return value;
}

std::optional<bool> ReadYesNo(std::string_view text) {
  text = TrimCLocaleSpace(text);
  for (std::string_view yes : {"1", "yes", "y", "true", "on"}) {
    if (text == yes) return true;
  }
  for (std::string_view no : {"0", "no", "n", "false", "off"}) {
    if (text == no) return false;
  }
  return std::nullopt;
}

std::optional<uint32_t> ReadHex(std::string_view digits) {
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// Stores a value that was read; false, the field as it was, for none.
template <typename Field, typename Value>
bool Take(Field& field, const std::optional<Value>& value) {
  if (!value) return false;
  field = *value;
  return true;
}

RgbColor FromRgb(uint32_t rgb) {
  return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)};
}

}  // namespace

std::optional<RgbColor> ParseColorText(std::string_view text) {
  text = TrimCLocaleSpace(text);
  const struct {
    std::string_view name;
    uint32_t rgb;
  } kNames[] = {{"white", 0xFFFFFF}, {"black", 0x000000},  {"red", 0xFF0000},    {"green", 0x00FF00},
                {"blue", 0x0000FF},  {"yellow", 0xFFFF00}, {"cyan", 0x00FFFF},   {"magenta", 0xFF00FF},
                {"orange", 0xFFA500}, {"grey", 0x808080},  {"gray", 0x808080}};
  for (const auto& named : kNames) {
    if (text == named.name) return FromRgb(named.rgb);
  }
  std::string_view digits;
  bool alphaFirst = false;
  if (text.starts_with('#')) {
    digits = text.substr(1);
    alphaFirst = true;
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    digits = text.substr(2);
  } else {
    return std::nullopt;
  }
  const std::optional<uint32_t> value = ReadHex(digits);
  if (!value) return std::nullopt;
  if (digits.size() == 6) return FromRgb(*value);
  if (digits.size() == 8) return FromRgb(alphaFirst ? *value : *value >> 8);
  return std::nullopt;
}

bool SetFromText(CaptionSettings& settings, CaptionSetting setting, std::string_view text) {
  switch (setting) {
    case CaptionSetting::kGpxFile:
      settings.gpxFile = TrimCLocaleSpace(text);
      return true;
    case CaptionSetting::kUtcOffset:
      return Take(settings.utcOffset, ParseUtcOffset(text));
    case CaptionSetting::kClockDifference:
      return Take(settings.clockDifference, ParseClockDifference(text));
    case CaptionSetting::kStart:
      return Take(settings.start, ParseStartRule(text));
    case CaptionSetting::kX:
      return Take(settings.x, ReadDecimal<double>(text));
    case CaptionSetting::kY:
      return Take(settings.y, ReadDecimal<double>(text));
    case CaptionSetting::kFont:
      settings.font = TrimCLocaleSpace(text);
      if (settings.font.empty()) settings.font = kDefaultFont;
      return true;
    case CaptionSetting::kFontSize: {
      if (TrimCLocaleSpace(text).empty()) {
        settings.fontSize = 0;
        return true;
      }
      const std::optional<int32_t> size = ReadDecimal<int32_t>(text);
      if (!size || *size < kFontSizeRange.minimum || *size > kFontSizeRange.maximum) return false;
      settings.fontSize = *size;
      return true;
    }
    case CaptionSetting::kTextColor:
      return Take(settings.textColor, ParseColorText(text));
    case CaptionSetting::kBorderColor:
      return Take(settings.borderColor, ParseColorText(text));
    case CaptionSetting::kJosmSync:
      return Take(settings.josmSync, ReadYesNo(text));
    case CaptionSetting::kJosmZoom: {
      const std::optional<int32_t> zoom = ReadDecimal<int32_t>(text);
      if (!zoom || *zoom < kJosmZoomRange.minimum || *zoom > kJosmZoomRange.maximum) return false;
      settings.josmZoom = *zoom;
      return true;
    }
    case CaptionSetting::kCount:
      break;
  }
  return false;
}

std::string RefusalText(std::string_view name, std::string_view text, CaptionSetting setting) {
  return RefusalText(name, text, ExpectedText(setting));
}

std::string RefusalText(std::string_view name, std::string_view text, std::string_view expected) {
  std::string line(name);
  line += " \"";
  line += text;
  line += "\" is not ";
  line += expected;
  return line;
}

int32_t FontPixelSize(int32_t fontSize, uint32_t frameHeight) {
  if (fontSize > 0) return std::min(fontSize, kMaxFontSize);
  return std::clamp<int32_t>(static_cast<int32_t>(frameHeight / 30), 12, kMaxFontSize);
}

}  // namespace meridel
