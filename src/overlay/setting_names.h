// What each Linux host calls each caption setting: the MLT filter's
// property (which Kdenlive's and Shotcut's panels and the meridel command
// set), the mpv plug-in's script option (after mpv's "meridel-" prefix),
// the meridel command's option. Empty: the host does not offer it.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

#include "overlay/caption_settings.h"

namespace meridel {

struct SettingNames {
  std::string_view mlt;
  std::string_view mpv;
  std::string_view option;
};

inline constexpr SettingNames kSettingNames[] = {
    {"resource", "gpx", "--gpx"},
    {"utc_offset", "utc-offset", "--utc-offset"},
    {"clock_difference", "clock-difference", "--clock-difference"},
    {"start", "start", "--start"},
    {"x", "x", "--x"},
    {"y", "y", "--y"},
    {"font", "", "--font"},  // mpv draws with its own OSD font
    {"font_size", "font-size", "--font-size"},
    {"text_color", "text-color", "--text-color"},
    {"border_color", "border-color", "--border-color"},
    {"josm_sync", "josm-sync", ""},  // the command renders; JOSM follows players and editors
    {"josm_zoom", "josm-zoom", ""},
};
static_assert(std::size(kSettingNames) == static_cast<size_t>(CaptionSetting::kCount));

constexpr const SettingNames& NamesOf(CaptionSetting setting) { return kSettingNames[static_cast<int>(setting)]; }

}  // namespace meridel
