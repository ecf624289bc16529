#include "frei0r/parameters.h"

#include <array>
#include <cmath>

#include "base/c_locale_space.h"

namespace meridel::frei0r {
namespace {

constexpr std::string_view kTimeUnitName = "time unit";

uint8_t ColorByte(float component) {
  // Out-of-range components are clamped; NaN reads as 0.
  const float clamped = std::clamp(component, 0.0f, 1.0f);
  return static_cast<uint8_t>(std::lround((clamped == clamped ? clamped : 0.0f) * 255.0f));
}

// frei0r has no whole numbers: those, like every text a setting reads by
// its own rule, are strings.
ParameterType TypeOf(SettingKind kind) {
  switch (kind) {
    case SettingKind::kFraction:
      return ParameterType::kDouble;
    case SettingKind::kColour:
      return ParameterType::kColor;
    case SettingKind::kYesNo:
      return ParameterType::kBool;
    default:
      return ParameterType::kString;
  }
}

std::array<ParameterInfo, kParameterCount> MakeInfos() {
  std::array<ParameterInfo, kParameterCount> infos;
  for (Parameter parameter = 0; parameter < kTimeUnit; ++parameter) {
    const CaptionSetting setting = *SettingOf(parameter);
    // Hosts show explanations as labels, without a stop.
    infos[parameter] = {std::string(NamesOf(setting).frei0r), TypeOf(RowOf(setting).kind),
                        Capitalised(DescriptionOf(setting))};
  }
  infos[kTimeUnit] = {std::string(kTimeUnitName), ParameterType::kString,
                      "The unit of the host's frame times: auto, s or ms (auto knows ffmpeg's and MLT's)"};
  return infos;
}

std::string NameOf(Parameter parameter) { return InfoOf(parameter).name; }

}  // namespace

std::optional<CaptionSetting> SettingOf(Parameter parameter) {
  Parameter index = 0;
  for (const SettingRow& row : kSettingTable) {
    if (row.names.frei0r.empty()) continue;
    if (index++ == parameter) return row.id;
  }
  return std::nullopt;
}

const ParameterInfo& InfoOf(Parameter parameter) {
  static const std::array<ParameterInfo, kParameterCount> infos = MakeInfos();
  return infos[parameter];
}

Settings DefaultSettings() {
  Settings settings;
  for (Parameter parameter = 0; parameter < kParameterCount; ++parameter) {
    if (InfoOf(parameter).type != ParameterType::kString) continue;
    const std::optional<CaptionSetting> setting = SettingOf(parameter);
    SetString(settings, parameter, setting ? DefaultText(*setting) : std::string_view("auto"));
  }
  return settings;
}

Refusal SetDouble(Settings& settings, Parameter parameter, double value) {
  if (!std::isfinite(value)) return NameOf(parameter) + " must be a finite number";
  switch (SettingOf(parameter).value_or(CaptionSetting::kCount)) {
    case CaptionSetting::kX:
      settings.caption.x = value;
      return {};
    case CaptionSetting::kY:
      settings.caption.y = value;
      return {};
    case CaptionSetting::kJosmSync:
      // frei0r's booleans are doubles: 0.5 and above is true.
      settings.caption.josmSync = value >= 0.5;
      return {};
    default:
      return NameOf(parameter) + " is not a number parameter";
  }
}

Refusal SetColor(Settings& settings, Parameter parameter, Color value) {
  const RgbColor color{ColorByte(value.r), ColorByte(value.g), ColorByte(value.b)};
  switch (SettingOf(parameter).value_or(CaptionSetting::kCount)) {
    case CaptionSetting::kTextColor:
      settings.caption.textColor = color;
      return {};
    case CaptionSetting::kBorderColor:
      settings.caption.borderColor = color;
      return {};
    default:
      return NameOf(parameter) + " is not a colour parameter";
  }
}

Refusal SetString(Settings& settings, Parameter parameter, std::string_view value) {
  const std::string name = NameOf(parameter);
  if (parameter == kTimeUnit) {
    const std::string_view unit = TrimCLocaleSpace(value);
    if (unit == "auto") {
      settings.timeUnit = TimeUnit::kAuto;
    } else if (unit == "s") {
      settings.timeUnit = TimeUnit::kSeconds;
    } else if (unit == "ms") {
      settings.timeUnit = TimeUnit::kMilliseconds;
    } else {
      return RefusalText(name, value, "auto, s or ms");
    }
  } else if (const std::optional<CaptionSetting> setting = SettingOf(parameter);
             setting && InfoOf(parameter).type == ParameterType::kString) {
    if (!SetFromText(settings.caption, *setting, value)) return RefusalText(name, value, *setting);
  } else {
    return name + " is not a text parameter";
  }
  settings.texts[parameter] = value;
  return {};
}

}  // namespace meridel::frei0r
