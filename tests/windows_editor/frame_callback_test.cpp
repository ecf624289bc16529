#include "windows_editor/frame_callback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "windows_editor/filter_table.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/style_choosers.h"
#include "support/fake_platform.h"
#include "support/host_fixture.h"

using test_support::DrawCall;
using test_support::Host;

namespace {

class FrameCallbackTest : public test_support::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    state.framesPerSecond = 25.0;
  }

  std::string ExpectedCaption(int32_t frameNumber) {
    const int32_t* values = host.trackValues;
    return meridel::BuildCaption(state.track, meridel::MomentOfFrame(state, host.filter, frameNumber),
                                 meridel::UtcOffset(values[meridel::kTrackUtcH], values[meridel::kTrackUtcM]));
  }
};

struct Rgb {
  int32_t red;
  int32_t green;
  int32_t blue;
};

void ExpectPass(const DrawCall& draw, int32_t x, int32_t y, Rgb colour) {
  EXPECT_EQ(draw.x, x);
  EXPECT_EQ(draw.y, y);
  EXPECT_EQ(draw.red, colour.red);
  EXPECT_EQ(draw.green, colour.green);
  EXPECT_EQ(draw.blue, colour.blue);
}

}  // namespace

TEST_F(FrameCallbackTest, FivePassesBorderFirstTextOnTop) {
  struct Case {
    int32_t x;
    int32_t y;
    meridel::Colour text;
    meridel::Colour border;
    Rgb textRgb;
    Rgb borderRgb;
  };
  const Case cases[] = {
      {10, 10, 0x00FFFFFF, 0x0000FF00, {255, 255, 255}, {0, 255, 0}},
      {100, 50, 0x00332211, 0x00CCBBAA, {0x11, 0x22, 0x33}, {0xAA, 0xBB, 0xCC}},
      {0, 0, 0x000000FF, 0x00FF0000, {255, 0, 0}, {0, 0, 255}},  // -1 handed on unchanged
      {1280, 720, 0x00808080, 0x00808080, {128, 128, 128}, {128, 128, 128}},
      {7, 9, 0xFF010203, 0xFF040506, {3, 2, 1}, {6, 5, 4}},  // a top byte is not a colour
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    Host().draws.clear();
    host.trackValues[meridel::kTrackX] = c.x;
    host.trackValues[meridel::kTrackY] = c.y;
    state.settings.textColor = c.text;
    state.settings.borderColor = c.border;
    ASSERT_EQ(Render(3), 1);
    const std::vector<DrawCall>& draws = Host().draws;
    ASSERT_EQ(draws.size(), 5u);
    ExpectPass(draws[0], c.x, c.y - 1, c.borderRgb);
    ExpectPass(draws[1], c.x, c.y + 1, c.borderRgb);
    ExpectPass(draws[2], c.x - 1, c.y, c.borderRgb);
    ExpectPass(draws[3], c.x + 1, c.y, c.borderRgb);
    ExpectPass(draws[4], c.x, c.y, c.textRgb);
  }
}

TEST_F(FrameCallbackTest, EveryPassGetsTheWholeCaptionImageAndFont) {
  ASSERT_EQ(Render(40), 1);
  ASSERT_EQ(Host().draws.size(), 5u);
  for (const DrawCall& draw : Host().draws) {
    EXPECT_EQ(draw.image, image);
    EXPECT_EQ(draw.text, ExpectedCaption(40));
    EXPECT_NE(draw.text.find('\n'), std::string::npos);
    EXPECT_EQ(draw.font, state.font.handle);
    EXPECT_EQ(draw.zeroA, 0);
    EXPECT_EQ(draw.zeroB, 0);
    EXPECT_EQ(draw.zeroC, 0);
  }
}

TEST_F(FrameCallbackTest, NewColoursShowFromTheNextFrame) {
  Render(0);
  state.settings.borderColor = 0x000000FF;
  state.settings.textColor = 0x00FF0000;
  Host().draws.clear();
  Render(1);
  ExpectPass(Host().draws[0], 10, 9, {255, 0, 0});
  ExpectPass(Host().draws[4], 10, 10, {0, 0, 255});
}

TEST_F(FrameCallbackTest, OneFontOnTheFirstFrameNoneLater) {
  std::strcpy(state.settings.faceName, "MS Gothic");
  state.settings.fontHeight = -24;
  Render(0);
  const auto& made = fake::State().madeFonts;
  ASSERT_EQ(made.size(), 1u);
  const platform::FontParams& p = made[0].params;
  const int32_t parameters[] = {p.height,
                                p.width,
                                p.escapement,
                                p.orientation,
                                p.weight,
                                static_cast<int32_t>(p.italic),
                                static_cast<int32_t>(p.underline),
                                static_cast<int32_t>(p.strikeOut),
                                static_cast<int32_t>(p.charSet),
                                static_cast<int32_t>(p.outPrecision),
                                static_cast<int32_t>(p.clipPrecision),
                                static_cast<int32_t>(p.quality),
                                static_cast<int32_t>(p.pitchAndFamily)};
  const int32_t expected[] = {-24, 0, 0, 0, 400, 0, 0, 0, 128, 0, 0, 4, 48};
  EXPECT_TRUE(std::equal(std::begin(parameters), std::end(parameters), std::begin(expected)));
  EXPECT_EQ(made[0].face, "MS Gothic");
  EXPECT_EQ(state.font.created, true);
  EXPECT_EQ(state.font.handle, made[0].handle);

  // Settings written back by the host later change nothing until a font is chosen.
  state.settings.fontHeight = -40;
  for (int32_t frame = 1; frame < 10; ++frame) Render(frame);
  EXPECT_EQ(made.size(), 1u);
  EXPECT_TRUE(fake::State().releasedFonts.empty());
  EXPECT_EQ(Host().draws.back().font, made[0].handle);
}

TEST_F(FrameCallbackTest, FontThatCannotBeMadeIsCachedEmpty) {
  fake::State().failFontCreation = true;
  Render(0);
  Render(1);
  EXPECT_EQ(fake::State().madeFonts.size(), 1u);
  EXPECT_EQ(state.font.created, true);
  EXPECT_EQ(Host().draws.back().font, nullptr);
}

TEST_F(FrameCallbackTest, FaceWithoutNulFromAStoredProjectIsCutAt31Characters) {
  std::memset(state.settings.faceName, 'F', sizeof state.settings.faceName);
  state.settings.fontHeight = 77;  // the byte right after the face must not be read as text
  Render(0);
  ASSERT_EQ(fake::State().madeFonts.size(), 1u);
  EXPECT_EQ(fake::State().madeFonts[0].face, std::string(31, 'F'));
}

TEST_F(FrameCallbackTest, FontChosenBeforeTheFirstFrameIsReplacedByTheFramesOwn) {
  fake::State().fontAnswers.push_back({true, {}, 0x00FFFFFF});
  meridel::ChooseCaptionFont(state.settings, state.font, nullptr);
  EXPECT_EQ(state.font.created, false);
  const platform::FontHandle chosen = state.font.handle;
  ASSERT_NE(chosen, nullptr);
  Render(0);
  EXPECT_NE(state.font.handle, chosen);
  EXPECT_EQ(fake::State().releasedFonts.back(), chosen);
  EXPECT_EQ(fake::State().liveFonts.size(), 1u);
}

TEST_F(FrameCallbackTest, JosmSyncSendsOneZoomPerFrameAfterThePasses) {
  LoadTrack({{35.68, 139.76, 1000}});
  host.checkValues[meridel::kCheckJosmSync] = 1;
  for (int32_t frame = 0; frame < 3; ++frame) {
    const size_t before = fake::Http().requests.size();
    const size_t operationsBefore = fake::Http().operations.size();
    Host().draws.clear();
    EXPECT_EQ(Render(frame), 1);
    ASSERT_EQ(fake::Http().requests.size(), before + 1);
    EXPECT_EQ(fake::Http().requests.back(),
              "zoom?left=139.75900000&right=139.76100000&top=35.68100000&bottom=35.67900000");
    ASSERT_EQ(Host().draws.size(), 5u);
    for (const DrawCall& draw : Host().draws) {
      EXPECT_EQ(draw.httpOperationsBefore, operationsBefore);
    }
  }
  EXPECT_EQ(fake::Http().sessionsOpened, 1);
}

TEST_F(FrameCallbackTest, JosmSyncClearOrJosmFailingStillRendersAndReturnsOne) {
  LoadTrack({{35.68, 139.76, 1000}});
  host.checkValues[meridel::kCheckJosmSync] = 0;
  EXPECT_EQ(Render(0), 1);
  EXPECT_TRUE(fake::Http().operations.empty());

  host.checkValues[meridel::kCheckJosmSync] = 1;
  fake::Http().failSend = true;
  Host().draws.clear();
  EXPECT_EQ(Render(1), 1);
  EXPECT_EQ(Host().draws.size(), 5u);
  EXPECT_EQ(fake::Http().requests.size(), 1u);
}

TEST_F(FrameCallbackTest, MissingRecordsReturnOneAndDrawNothing) {
  FrameProcInfo frame = Frame(0);
  EXPECT_EQ(meridel::RenderFrame(state, nullptr, &frame), 1);
  EXPECT_EQ(meridel::RenderFrame(state, &host.filter, nullptr), 1);
  EXPECT_TRUE(Host().draws.empty());
}
