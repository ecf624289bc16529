// The filter's properties: every caption setting under its MLT name
// (the settings table), and josm_add, with what panels and the metadata say of
// each. Projects saved by the editors keep these names and texts.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <framework/mlt_properties.h>
}

#include "overlay/caption_settings.h"

namespace meridel::mlt {

// Any change of its text adds a JOSM node where the camera was at the frame
// rendered next; its first value adds none. Keyframed ("0=a;250=b"), it
// changes at its keyframes.
inline constexpr const char* kJosmAddProperty = "josm_add";

struct PropertyDoc {
  std::string name;
  std::string title;
  std::string_view type;    // the metadata's type: string, float, integer, boolean or color
  std::string_view widget;  // the metadata's hint to panels: fileopen, text, spinner...
  std::string defaultText;  // empty: none
  std::string description;  // the table's, its range written in
  std::optional<int> minimum;
  std::optional<int> maximum;
  bool animated = false;  // read through MLT's keyframe animation
};

// Every property, in the order a panel shows them.
std::vector<PropertyDoc> PropertyDocs();

// Sets every setting's property to its default text, and `resource` to
// `resource` when given (melt's `-filter meridel FILE`).
void SetDefaultProperties(mlt_properties properties, const char* resource);

// The caption settings that a filter's properties hold, at one position of
// the filter. Each property is read as MLT's animation API reads it, so a
// plain value and an editor's keyframed form ("0=0xffffffff", as Kdenlive
// stores colours) both work; paths and font patterns, which may hold '=' or
// ';', are read as they are. A property's text is read again only when it
// changed; a text that cannot be used leaves its setting as it was.
class PropertySettings {
 public:
  // Calls `refused` with the one line a user sees for each newly refused text.
  template <typename Refused>
  void Update(mlt_properties properties, int position, int length, Refused&& refused) {
    for (int index = 0; index < static_cast<int>(CaptionSetting::kCount); ++index) {
      const auto setting = static_cast<CaptionSetting>(index);
      if (const std::optional<std::string> line = UpdateOne(properties, setting, position, length)) refused(*line);
    }
  }

  const CaptionSettings& Settings() const { return settings_; }

 private:
  // The refusal line, when the property's new text was refused.
  std::optional<std::string> UpdateOne(mlt_properties properties, CaptionSetting setting, int position, int length);

  CaptionSettings settings_;
  std::array<std::optional<std::string>, static_cast<size_t>(CaptionSetting::kCount)> texts_;
};

}  // namespace meridel::mlt
