// The filter's parameters: the settings of the table that frei0r hosts can
// set, in the table's order (ffmpeg sets them by position: the common ones
// first), then "time unit", frei0r's own; and the settings they make.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "overlay/setting_table.h"

namespace meridel::frei0r {

// A parameter's index, as frei0r hosts number them.
using Parameter = int;

inline constexpr int kTimeUnit =
    static_cast<int>(std::count_if(std::begin(kSettingTable), std::end(kSettingTable),
                                   [](const SettingRow& row) { return !row.names.frei0r.empty(); }));
inline constexpr int kParameterCount = kTimeUnit + 1;

// The parameter that sets `setting`; nothing for one frei0r hosts cannot set.
constexpr std::optional<Parameter> ParameterOf(CaptionSetting setting) {
  if (NamesOf(setting).frei0r.empty()) return std::nullopt;
  Parameter index = 0;
  for (const SettingRow& row : kSettingTable) {
    if (row.id == setting) return index;
    if (!row.names.frei0r.empty()) ++index;
  }
  return std::nullopt;
}

// The setting a parameter sets; nothing for "time unit" and out of range.
std::optional<CaptionSetting> SettingOf(Parameter parameter);

// frei0r's parameter types, as F0R_PARAM_* numbers them.
enum class ParameterType : int { kBool = 0, kDouble = 1, kColor = 2, kString = 4 };

struct ParameterInfo {
  std::string name;
  ParameterType type;
  std::string explanation;
};

// What hosts list of the parameter; the same object at every call.
// `parameter` must be below kParameterCount.
const ParameterInfo& InfoOf(Parameter parameter);

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
