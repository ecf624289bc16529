#include "cli/command_line.h"

#include <algorithm>
#include <charconv>

#include "overlay/setting_table.h"

namespace meridel::cli {
namespace {

constexpr OptionDoc kOptionDocs[] = {
    {"--output", "-o", "DIR",
     "Write the captioned clips into DIR (made if missing) instead of beside each clip.", "--output ~/Videos/captioned"},
    {"--suffix", "", "TEXT",
     "Name each output after its clip with TEXT before .mp4 (default -meridel: ride.MP4 gives ride-meridel.mp4).",
     "--suffix -gps"},
    {"--overwrite", "", "", "Replace outputs that exist already; without it such a clip fails and the others go on.",
     "--overwrite"},
    {"--jobs", "-j", "N",
     "Caption N clips at once (default: 1 on a machine of 1 core, else 2); each clip's encoder uses every core.",
     "--jobs 2"},
    {"--quiet", "-q", "", "Print only the clips that fail, and the summary when one did.", "--quiet"},
    {"--help", "-h", "", "Print this help and exit.", "--help"},
    {"--version", "", "", "Print the version and exit.", "--version"},
};
static_assert(std::size(kOptionDocs) == static_cast<size_t>(Option::kCount));

bool IsOption(std::string_view arg) { return arg.size() > 1 && arg.front() == '-'; }

std::string HelpPointer() { return "; see meridel --help"; }

std::optional<int> ReadJobs(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < kJobsRange.minimum || value > kJobsRange.maximum) {
    return std::nullopt;
  }
  return value;
}

// An option's name and, for "--name=value", its value.
struct Split {
  std::string_view name;
  std::optional<std::string_view> value;
};
Split SplitOption(std::string_view arg) {
  const size_t eq = arg.find('=');
  if (!arg.starts_with("--") || eq == std::string_view::npos) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

}  // namespace

const OptionDoc& DocOf(Option option) { return kOptionDocs[static_cast<int>(option)]; }

Result<Invocation> ParseCommandLine(std::span<const std::string_view> args) {
  Invocation invocation;
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    return invocation;  // Verb::kHelp
  }
  if (args.empty()) return UsageError{"say what to do: meridel caption or meridel inspect" + HelpPointer()};
  if (args.front() == "--version") {
    if (args.size() > 1) return UsageError{"--version takes nothing more" + HelpPointer()};
    invocation.verb = Verb::kVersion;
    return invocation;
  }
  if (args.front() == "help") return invocation;
  if (args.front() == "caption") {
    invocation.verb = Verb::kCaption;
  } else if (args.front() == "inspect") {
    invocation.verb = Verb::kInspect;
  } else {
    return UsageError{"\"" + std::string(args.front()) + "\" is not caption or inspect" + HelpPointer()};
  }

  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || !IsOption(arg)) {
      invocation.clips.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const Split split = SplitOption(arg);
    std::optional<Option> option;
    std::optional<CaptionSetting> setting;
    for (int o = 0; o < static_cast<int>(Option::kCount); ++o) {
      if (split.name == kOptionDocs[o].name || (!kOptionDocs[o].shortName.empty() && split.name == kOptionDocs[o].shortName)) {
        option = static_cast<Option>(o);
      }
    }
    for (const SettingRow& row : kSettingTable) {
      if (!row.names.option.empty() && split.name == row.names.option) setting = row.id;
    }
    if (!option && !setting) return UsageError{"there is no option " + std::string(split.name) + HelpPointer()};

    const bool takesValue = setting || !DocOf(*option).value.empty();
    std::string_view value;
    if (takesValue) {
      if (split.value) {
        value = *split.value;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return UsageError{std::string(split.name) + " needs a value" + HelpPointer()};
      }
    } else if (split.value) {
      return UsageError{std::string(split.name) + " takes no value" + HelpPointer()};
    }

    if (setting) {
      if (!SetFromText(invocation.settings, *setting, value)) {
        return UsageError{RefusalText(NamesOf(*setting).option, value, *setting) + HelpPointer()};
      }
      invocation.settingTexts[static_cast<size_t>(*setting)] = std::string(value);
      continue;
    }
    switch (*option) {
      case Option::kOutput:
        if (value.empty()) return UsageError{RefusalText("--output", value, "a folder") + HelpPointer()};
        invocation.outputDir = value;
        break;
      case Option::kSuffix:
        if (value.find('/') != std::string_view::npos) {
          return UsageError{RefusalText("--suffix", value, "a text without /") + HelpPointer()};
        }
        invocation.suffix = value;
        break;
      case Option::kOverwrite:
        invocation.overwrite = true;
        break;
      case Option::kJobs:
        if (const std::optional<int> jobs = ReadJobs(value)) {
          invocation.jobs = *jobs;
        } else {
          return UsageError{RefusalText("--jobs", value, "a number of clips from " + RangeText(kJobsRange)) + HelpPointer()};
        }
        break;
      case Option::kQuiet:
        invocation.quiet = true;
        break;
      case Option::kVersion:
        return UsageError{"--version stands alone: meridel --version"};
      case Option::kHelp:
      case Option::kCount:
        break;
    }
  }

  if (invocation.clips.empty()) return UsageError{"name at least one clip" + HelpPointer()};
  if (invocation.settings.gpxFile.empty()) return UsageError{"name the track: --gpx TRACK.gpx" + HelpPointer()};
  if (invocation.suffix.empty() && invocation.outputDir.empty()) {
    return UsageError{"an empty --suffix would write over each clip: give --output DIR too" + HelpPointer()};
  }
  return invocation;
}

int DefaultJobs(unsigned cores) { return cores > 1 ? 2 : 1; }

}  // namespace meridel::cli
