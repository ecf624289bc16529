#include "drawing/font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// fontconfig keeps its configuration until FcFini, which LeakSanitizer would
// report; the filter itself leaves it to the host, which may use fontconfig too.
class FontconfigTeardown : public testing::Environment {
 public:
  void TearDown() override { FcFini(); }
};
const testing::Environment* const kFontconfigTeardown = testing::AddGlobalTestEnvironment(new FontconfigTeardown);

using meridel::drawing::FindFont;
using meridel::drawing::FontMatch;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct LookupCase {
  const char* setting;
  bool exact;
  const char* fileTail;  // nullptr: any font
};

// Needs the default font that scripts/setup.sh installs.
const LookupCase kLookupCases[] = {
    {"", true, "/DejaVuSansMono.ttf"},
    {"DejaVu Sans Mono", true, "/DejaVuSansMono.ttf"},
    {"dejavu sans mono:bold", true, "/DejaVuSansMono-Bold.ttf"},
    {":weight=bold", true, nullptr},
    {"No Such Family 0451", false, nullptr},
    {"/no/such/font.ttf", false, nullptr},
    {"DejaVu Sans Mono:weight=bogus", false, "/DejaVuSansMono.ttf"},
    {"DejaVu Sans Mono\n", false, nullptr},
};

TEST(FontLookupTest, MatchesFamiliesAndSaysWhenItSubstitutes) {
  for (const LookupCase& c : kLookupCases) {
    SCOPED_TRACE(c.setting);
    const FontMatch match = FindFont(c.setting);
    ASSERT_FALSE(match.file.empty());
    EXPECT_EQ(match.exact, c.exact) << match.family;
    if (c.fileTail != nullptr) {
      EXPECT_TRUE(EndsWith(match.file, c.fileTail)) << match.file;
    }
  }
}

TEST(FontLookupTest, TakesAFontFilePathAsIs) {
  const std::string file = FindFont("DejaVu Sans Mono:bold").file;
  const FontMatch match = FindFont(file);
  EXPECT_EQ(match.file, file);
  EXPECT_EQ(match.faceIndex, 0);
  EXPECT_TRUE(match.exact);
}

}  // namespace
