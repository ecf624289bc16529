// The meridel command's verbs and options, read from its arguments; one
// table of options that the help text and the man page are written from.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/result.h"
#include "overlay/setting_table.h"

namespace meridel::cli {

enum class Verb { kCaption, kInspect, kHelp, kVersion };

// The command's own options; the caption settings' options come from the
// settings table.
enum class Option { kOutput, kSuffix, kOverwrite, kJobs, kQuiet, kHelp, kVersion, kCount };

struct OptionDoc {
  std::string_view name;      // "--output"
  std::string_view shortName;  // "-o", or empty
  std::string_view value;     // the value's placeholder, or empty for a switch
  std::string_view help;      // what it does, one sentence
  std::string_view example;   // the option as a user writes it
};
const OptionDoc& DocOf(Option option);

inline constexpr std::string_view kDefaultSuffix = "-meridel";
inline constexpr SettingRange kJobsRange{1, 64};

struct Invocation {
  Verb verb = Verb::kHelp;
  CaptionSettings settings;
  // The texts given for the settings, as the user wrote them: the MLT
  // filter reads the same texts, so the command passes them through once
  // they have been read here. Nothing where the option was not given.
  std::array<std::optional<std::string>, static_cast<size_t>(CaptionSetting::kCount)> settingTexts;
  std::vector<std::string> clips;
  std::string outputDir;  // empty: beside each clip
  std::string suffix{kDefaultSuffix};
  bool overwrite = false;
  int jobs = 0;  // clips at once; 0: DefaultJobs()
  bool quiet = false;
};

// Bad usage: the one line a user sees, without the command's prefix.
using UsageError = Failure;

// `args` without the program's name: a verb ("caption", "inspect"), or
// --help/--version alone, then options and clips in any order ("--" ends
// the options). Options take their value as the next argument or after
// "=". --help anywhere asks for the help.
Result<Invocation> ParseCommandLine(std::span<const std::string_view> args);

// Clips at once when --jobs is not given, on a machine of `cores`
// processors: libx264 already spreads one clip over every core, and a
// second clip fills the gaps where one clip's decoding, filtering and
// muxing leave them idle.
int DefaultJobs(unsigned cores);

}  // namespace meridel::cli
