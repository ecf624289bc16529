#include "mpv/options.h"

#include <gtest/gtest.h>

#include "overlay/setting_table.h"
#include "support/readme_table.h"

namespace {

using meridel::CaptionSetting;
using meridel::mpv::KeyValue;
using meridel::mpv::Options;

TEST(MpvOptions, DefaultsAreTheSharedOnesButJosmFollows) {
  const Options options = meridel::mpv::DefaultOptions();
  EXPECT_TRUE(options.caption.josmSync);
  EXPECT_EQ(options.texts[static_cast<int>(CaptionSetting::kJosmSync)], "yes");
  EXPECT_EQ(options.caption.start.kind, meridel::StartKind::kClip);
  EXPECT_EQ(options.caption.x, meridel::CaptionSettings{}.x);
  EXPECT_FALSE(meridel::mpv::SettingOfKey("font")) << "mpv's OSD has its own font options";
  EXPECT_EQ(meridel::mpv::OptionName(CaptionSetting::kUtcOffset), "meridel-utc-offset");
}

TEST(MpvOptions, TheReadmesTableIsThePlugins) {
  const Options options = meridel::mpv::DefaultOptions();
  std::vector<std::vector<std::string>> rows;
  for (const meridel::SettingRow& row : meridel::kSettingTable) {
    if (row.names.mpv.empty()) continue;
    const std::string& byDefault = options.texts[static_cast<size_t>(row.id)];
    rows.push_back({"`" + meridel::mpv::OptionName(row.id) + "`", byDefault.empty() ? "none" : "`" + byDefault + "`",
                    meridel::DescriptionOf(row.id)});
  }
  EXPECT_EQ(test_support::ReadmeTable("mpv"), test_support::MarkdownTable({"Option", "Default", "Format"}, rows));
}

// The conf file's lines, then --script-opts over them; other scripts'
// entries untouched; every problem said once, naming where it was.
TEST(MpvOptions, ConfThenScriptOptsWithProblemsNamed) {
  std::vector<std::string> problems;
  const std::vector<KeyValue> conf = meridel::mpv::ReadConfText(
      "# comment\r\n\n x = 0.5 \r\ny=0.25\nfont-size=abc\nno equals here\nsize=3\njosm-sync=no\n", "meridel.conf",
      problems);
  ASSERT_EQ(conf.size(), 5u);
  EXPECT_EQ(conf[0].key, "x");
  EXPECT_EQ(conf[0].value, "0.5");

  Options options = meridel::mpv::DefaultOptions();
  meridel::mpv::ApplyOptions(options, conf, "meridel.conf",
                             {{"meridel-x", "0.75"},
                              {"meridel-y", "lots"},
                              {"meridel-colour", "red"},
                              {"osc-layout", "box"},
                              {"meridel-josm-zoom", "3"}},
                             problems);
  EXPECT_EQ(options.caption.x, 0.75);
  EXPECT_EQ(options.caption.y, 0.25) << "a refused script option keeps the file's value";
  EXPECT_FALSE(options.caption.josmSync);
  EXPECT_EQ(options.caption.josmZoom, 3);
  EXPECT_EQ(options.caption.fontSize, 0);
  const std::vector<std::string> expected = {
      "meridel.conf line 6: \"no equals here\" is not key=value, ignored",
      "meridel.conf: font-size \"abc\" is not a size in pixels from 1 to 1024, or empty for a thirtieth of the "
      "frame's height; keeping none",
      "meridel.conf: unknown option size, ignored",
      "unknown option meridel-colour, ignored",
      "meridel-y \"lots\" is not a fraction of the frame such as 0.85; keeping 0.25",
  };
  EXPECT_EQ(problems, expected);
}

}  // namespace
