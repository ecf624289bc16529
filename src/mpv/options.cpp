#include "mpv/options.h"

#include "base/c_locale_space.h"
#include "overlay/setting_table.h"

namespace meridel::mpv {
namespace {

constexpr size_t kSettingCount = static_cast<size_t>(CaptionSetting::kCount);

// `name` is the key as the user wrote it, `where` what to say before it.
void ApplyPair(Options& options, std::string_view key, std::string_view name, std::string_view value,
               std::string_view where, std::vector<std::string>& problems) {
  const std::optional<CaptionSetting> setting = SettingOfKey(key);
  if (!setting) {
    problems.push_back(std::string(where) + "unknown option " + std::string(name) + ", ignored");
    return;
  }
  std::string refusal = SetOption(options, *setting, value, name);
  if (!refusal.empty()) problems.push_back(std::string(where) + refusal);
}

}  // namespace

Options DefaultOptions() {
  Options options;
  for (size_t i = 0; i < kSettingCount; ++i) options.texts[i] = DefaultText(static_cast<CaptionSetting>(i));
  SetOption(options, CaptionSetting::kJosmSync, "yes", {});
  return options;
}

std::optional<CaptionSetting> SettingOfKey(std::string_view key) {
  for (const SettingRow& row : kSettingTable) {
    if (!row.names.mpv.empty() && row.names.mpv == key) return row.id;
  }
  return std::nullopt;
}

std::string OptionName(CaptionSetting setting) { return std::string(kOptionPrefix) + std::string(NamesOf(setting).mpv); }

std::string SetOption(Options& options, CaptionSetting setting, std::string_view text, std::string_view name) {
  std::string& kept = options.texts[static_cast<size_t>(setting)];
  if (!SetFromText(options.caption, setting, text)) {
    return RefusalText(name, text, setting) + "; keeping " + (kept.empty() ? "none" : kept);
  }
  kept = TrimCLocaleSpace(text);
  return {};
}

std::vector<KeyValue> ReadConfText(std::string_view text, std::string_view fileName,
                                   std::vector<std::string>& problems) {
  std::vector<KeyValue> pairs;
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = TrimCLocaleSpace(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      problems.push_back(std::string(fileName) + " line " + std::to_string(number) + ": \"" + std::string(line) +
                         "\" is not key=value, ignored");
      continue;
    }
    pairs.push_back({std::string(TrimCLocaleSpace(line.substr(0, equals))),
                     std::string(TrimCLocaleSpace(line.substr(equals + 1)))});
  }
  return pairs;
}

void ApplyOptions(Options& options, const std::vector<KeyValue>& conf, std::string_view fileName,
                  const std::map<std::string, std::string>& scriptOpts, std::vector<std::string>& problems) {
  const std::string where = std::string(fileName) + ": ";
  for (const KeyValue& pair : conf) ApplyPair(options, pair.key, pair.key, pair.value, where, problems);
  for (const auto& [name, value] : scriptOpts) {
    if (!name.starts_with(kOptionPrefix)) continue;
    ApplyPair(options, std::string_view(name).substr(kOptionPrefix.size()), name, value, "", problems);
  }
}

}  // namespace meridel::mpv
