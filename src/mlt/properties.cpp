#include "mlt/properties.h"

#include "overlay/setting_table.h"

namespace meridel::mlt {
namespace {

// The metadata's type and widget of each kind of setting.
struct KindDoc {
  std::string_view type;
  std::string_view widget;
  bool withRange;  // the range is the metadata's minimum and maximum
};

KindDoc DocOf(SettingKind kind) {
  switch (kind) {
    case SettingKind::kPath:
      return {"string", "fileopen", false};
    case SettingKind::kFont:
      return {"string", "font", false};
    case SettingKind::kFraction:
      return {"float", "spinner", true};
    case SettingKind::kWholeNumber:
      return {"integer", "spinner", true};
    case SettingKind::kColour:
      return {"color", "color", false};
    case SettingKind::kYesNo:
      return {"boolean", "checkbox", false};
    case SettingKind::kText:
    case SettingKind::kPixelSize:  // empty is a value: not a number
      break;
  }
  return {"string", "text", false};
}

// The property's name for MLT's calls: the table holds literals, so their
// views end in a NUL.
const char* Key(CaptionSetting setting) { return NamesOf(setting).mlt.data(); }

}  // namespace

std::vector<PropertyDoc> PropertyDocs() {
  std::vector<PropertyDoc> docs;
  for (const SettingRow& row : kSettingTable) {
    const KindDoc kind = DocOf(row.kind);
    const bool ranged = kind.withRange && row.range;
    docs.push_back({std::string(row.names.mlt), std::string(row.title), kind.type, kind.widget,
                    std::string(row.defaultText), DescriptionOf(row.id),
                    ranged ? std::optional<int>(row.range->minimum) : std::nullopt,
                    ranged ? std::optional<int>(row.range->maximum) : std::nullopt});
  }
  docs.push_back({kJosmAddProperty, "JOSM add node", "string", "text", "",
                  "any change of its text (a counter, a time) adds a JOSM node where the camera was at the frame "
                  "rendered next; its value at the first frame adds none. Keyframes (0=a;250=b) change it at "
                  "their frames",
                  std::nullopt, std::nullopt, true});
  return docs;
}

void SetDefaultProperties(mlt_properties properties, const char* resource) {
  for (int index = 0; index < static_cast<int>(CaptionSetting::kCount); ++index) {
    const auto setting = static_cast<CaptionSetting>(index);
    mlt_properties_set(properties, Key(setting), std::string(DefaultText(setting)).c_str());
  }
  if (resource) mlt_properties_set(properties, Key(CaptionSetting::kGpxFile), resource);
}

std::optional<std::string> PropertySettings::UpdateOne(mlt_properties properties, CaptionSetting setting,
                                                       int position, int length) {
  const bool mayHoldKeyframes = setting != CaptionSetting::kGpxFile && setting != CaptionSetting::kFont;
  const char* value = mayHoldKeyframes ? mlt_properties_anim_get(properties, Key(setting), position, length)
                                       : mlt_properties_get(properties, Key(setting));
  // An unset property reads as its default.
  const std::string_view text = value ? std::string_view(value) : DefaultText(setting);
  std::optional<std::string>& last = texts_[static_cast<size_t>(setting)];
  if (last == text) return std::nullopt;
  last = std::string(text);
  if (SetFromText(settings_, setting, text)) return std::nullopt;
  return RefusalText(NamesOf(setting).mlt, text, setting) + "; keeping the value before";
}

}  // namespace meridel::mlt
