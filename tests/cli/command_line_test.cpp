#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <regex>

#include "cli/help_text.h"
#include "overlay/setting_table.h"

namespace {

using meridel::cli::Invocation;
using meridel::cli::UsageError;
using meridel::cli::Verb;

meridel::cli::Result<Invocation> Parse(std::vector<std::string_view> args) {
  return meridel::cli::ParseCommandLine(args);
}

TEST(CommandLine, OptionsAndClipsInAnyOrder) {
  const auto parsed = Parse({"caption", "a.mp4", "--gpx", "ride.gpx", "--utc-offset=+02:00", "-o", "out", "-j", "3",
                             "--overwrite", "--", "--odd.mp4"});
  ASSERT_TRUE(parsed.ok()) << parsed.failure().line;
  const Invocation& i = *parsed;
  EXPECT_EQ(i.verb, Verb::kCaption);
  EXPECT_EQ(i.clips, (std::vector<std::string>{"a.mp4", "--odd.mp4"}));
  EXPECT_EQ(i.settings.utcOffset, 7200);
  EXPECT_EQ(i.settingTexts[static_cast<int>(meridel::CaptionSetting::kUtcOffset)], "+02:00");
  EXPECT_FALSE(i.settingTexts[static_cast<int>(meridel::CaptionSetting::kX)]);
  EXPECT_EQ(i.outputDir, "out");
  EXPECT_EQ(i.jobs, 3);
  EXPECT_TRUE(i.overwrite);
  EXPECT_EQ(Parse({"inspect", "--gpx", "t.gpx", "a.mp4", "--help"})->verb, Verb::kHelp);
  EXPECT_EQ(Parse({"--version"})->verb, Verb::kVersion);
}

TEST(CommandLine, Refusals) {
  const struct {
    std::vector<std::string_view> args;
    const char* line;
  } cases[] = {
      {{}, "say what to do: meridel caption or meridel inspect; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "--x", "left", "a.mp4"},
       "--x \"left\" is not a fraction of the frame such as 0.03; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "--jobs", "65", "a.mp4"},
       "--jobs \"65\" is not a number of clips from 1 to 64; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "a.mp4", "--font-size"}, "--font-size needs a value; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "--overwrite=yes", "a.mp4"}, "--overwrite takes no value; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "--suffix", "a/b", "a.mp4"},
       "--suffix \"a/b\" is not a text without /; see meridel --help"},
      {{"caption", "--gpx", "t.gpx", "--suffix=", "a.mp4"},
       "an empty --suffix would write over each clip: give --output DIR too; see meridel --help"},
      {{"caption", "--josm-sync", "1", "a.mp4"}, "there is no option --josm-sync; see meridel --help"},
      {{"inspect", "a.mp4"}, "name the track: --gpx TRACK.gpx; see meridel --help"},
  };
  for (const auto& c : cases) {
    const auto parsed = Parse(c.args);
    ASSERT_FALSE(parsed.ok()) << c.line;
    EXPECT_EQ(parsed.failure().line, c.line);
  }
}

// Every option the parser takes is in --help and the man page, with an example.
TEST(CommandLine, HelpAndManPageListEveryOption) {
  const std::string help = meridel::cli::HelpText("1.0");
  const std::string man = std::regex_replace(meridel::cli::ManPage("1.0"), std::regex(R"(\\-)"), "-");
  std::vector<std::string> options;
  for (const meridel::SettingRow& row : meridel::kSettingTable) {
    if (!row.names.option.empty()) options.emplace_back(row.names.option);
  }
  for (int o = 0; o < static_cast<int>(meridel::cli::Option::kCount); ++o) {
    options.emplace_back(meridel::cli::DocOf(static_cast<meridel::cli::Option>(o)).name);
  }
  for (const std::string& option : options) {
    EXPECT_TRUE(std::regex_search(help, std::regex("\n  (-., )?" + option + "\\b"))) << option;
    EXPECT_NE(help.find("Example: " + option), std::string::npos) << option;
    EXPECT_TRUE(std::regex_search(man, std::regex("\n\\\\fB(-., )?" + option + "\\b"))) << option;
  }
}

}  // namespace
