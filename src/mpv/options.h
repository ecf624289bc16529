// The plug-in's settings as mpv users write them: "meridel-" script options
// (--script-opts) and the same keys without the prefix in
// ~~/script-opts/meridel.conf, the file's lines first, --script-opts over them.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/caption_settings.h"

namespace meridel::mpv {

inline constexpr std::string_view kOptionPrefix = "meridel-";

// The settings with the text each was last set from, for refusals that say
// what is kept.
struct Options {
  CaptionSettings caption;
  std::array<std::string, static_cast<size_t>(CaptionSetting::kCount)> texts;
};

// The shared defaults, but JOSM follows playback: a player is where users
// watch to map.
Options DefaultOptions();

// The setting a key names (without the prefix), if the plug-in offers it.
std::optional<CaptionSetting> SettingOfKey(std::string_view key);

// "meridel-" + the key mpv knows the setting by.
std::string OptionName(CaptionSetting setting);

// Sets the setting from `text`. Empty when taken; otherwise the line to
// show the user, naming the setting `name` (`meridel-x "abc" is not ...;
// keeping 0.01`), with the setting as it was.
std::string SetOption(Options& options, CaptionSetting setting, std::string_view text, std::string_view name);

struct KeyValue {
  std::string key;
  std::string value;
};

// The key=value lines of a script-opts file, as mpv's own scripts read
// them: lines starting with '#' and blank lines skipped, white space around
// key and value dropped. Each other line without '=' adds one line to
// `problems`, naming `fileName` and its number.
std::vector<KeyValue> ReadConfText(std::string_view text, std::string_view fileName,
                                   std::vector<std::string>& problems);

// Applies a conf file's pairs, then every "meridel-" entry of `scriptOpts`
// (mpv's script-opts, shared by all scripts; other entries are not ours).
// Unknown keys and refused texts each add one line to `problems`.
void ApplyOptions(Options& options, const std::vector<KeyValue>& conf, std::string_view fileName,
                  const std::map<std::string, std::string>& scriptOpts, std::vector<std::string>& problems);

}  // namespace meridel::mpv
