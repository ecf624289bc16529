#include "mlt/properties.h"

#include <iterator>

#include "overlay/setting_names.h"

namespace meridel::mlt {
namespace {

struct SettingDoc {
  std::string_view title;
  std::string_view type;
  std::string_view widget;
  std::string_view description;
  std::optional<int> minimum = std::nullopt;
  std::optional<int> maximum = std::nullopt;
};

// In CaptionSetting's order. The descriptions are the formats of the frei0r
// filter's README, so that a user moving between hosts reads the same text.
const SettingDoc kSettingDocs[] = {
    {"GPX file", "string", "fileopen",
     "the GPX file's path; the points of its first track segment are the camera's positions"},
    {"UTC offset", "string", "text",
     "the local clock's offset from UTC, for the date and time shown: +02:00, -03:30, +9, 0 or Z; at most 18 hours"},
    {"Clock difference", "string", "text",
     "added to every frame's time, for a camera clock off the GPS clock: -00:00:05, +1:30:00, -2:05 (minutes and "
     "seconds), +12 (seconds)"},
    {"Start", "string", "text",
     "what the frames' times in their source count from: clip (the creation time that the clip's file records, such "
     "as the creation_time tag of MP4 and MOV; a clip without one counts from the track, and the log says so), track "
     "(the first track point's time), or a UTC time such as 2023-06-17T07:30:00Z at which the source's first frame "
     "was shot"},
    {"X", "float", "spinner", "the caption's left edge, a fraction of the frame's width", 0, 1},
    {"Y", "float", "spinner", "the caption's top edge, a fraction of the frame's height", 0, 1},
    {"Font", "string", "font",
     "a fontconfig family or pattern (Noto Sans:bold), or a font file's path; one not found is replaced by the "
     "default, with a line saying so"},
    {"Font size", "string", "text",
     "pixels of the project's frame, 1 to 1024 (previews at a lower resolution scale it); empty: a thirtieth of the "
     "frame's height (24 px at 720p, 36 at 1080p; at least 12)"},
    {"Text color", "color", "color",
     "the caption's colour: #RRGGBB, 0xRRGGBB, 0xRRGGBBAA or #AARRGGBB (the alpha is ignored: captions are opaque), "
     "or white, black, red, green, blue, yellow, cyan, magenta, orange, grey"},
    {"Border color", "color", "color", "as text_color; the colour of the caption's one-pixel border"},
    {"JOSM sync", "boolean", "checkbox",
     "1 moves JOSM's map to the position of each new moment shown, once a second of video and after every seek "
     "(JOSM's remote control on 127.0.0.1:8111; failures are ignored, as JOSM may not be running); 0 does not"},
    {"JOSM zoom", "integer", "spinner",
     "the size of JOSM's view, a whole number from -10 to 10: higher is closer", -10, 10},
};
static_assert(std::size(kSettingDocs) == static_cast<size_t>(CaptionSetting::kCount));

// The property's name for MLT's calls: kSettingNames holds literals, so
// their views end in a NUL.
const char* Key(CaptionSetting setting) { return NamesOf(setting).mlt.data(); }

}  // namespace

std::vector<PropertyDoc> PropertyDocs() {
  std::vector<PropertyDoc> docs;
  for (int index = 0; index < static_cast<int>(CaptionSetting::kCount); ++index) {
    const auto setting = static_cast<CaptionSetting>(index);
    const SettingDoc& doc = kSettingDocs[index];
    docs.push_back({std::string(NamesOf(setting).mlt), std::string(doc.title), doc.type, doc.widget,
                    std::string(DefaultText(setting)), std::string(doc.description), doc.minimum, doc.maximum});
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
