#include "windows_editor/lifecycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "windows_editor/filter_table.h"
#include "windows_editor/frame_callback.h"
#include "josm/remote_control.h"
#include "support/fake_platform.h"
#include "support/host_fixture.h"
#include "track/track_store.h"

using test_support::Host;

namespace {

constexpr int32_t kComFailure = static_cast<int32_t>(0x80004005);  // E_FAIL

class LifecycleTest : public test_support::HostTest {
 protected:
  // State a previous session might have left behind.
  void Dirty() {
    std::memset(&state.settings, 0xAB, sizeof state.settings);
    state.font.created = true;
    state.framesPerSecond = 25.0;
    state.track.Append({1.0, 2.0, 3});
  }

  // A session lives from the first request to exit.
  void OpenSession() {
    state.track.Append({1.0, 2.0, 3});
    meridel::SendJosmCommand(state.josm, state.track, meridel::JosmCommand::ZoomView, 3, 0);
    state.track.Clear();
  }
};

}  // namespace

TEST_F(LifecycleTest, StartupClearsTheBlockAndGivesItsStartValues) {
  Dirty();
  OpenSession();
  const void* const session = state.josm.session;
  ASSERT_NE(session, nullptr);

  ASSERT_EQ(Startup(), 1);
  meridel::OverlaySettings expected{};
  expected.spareA = 10;
  expected.spareB = 10;
  expected.textColor = 0x00FFFFFF;
  expected.borderColor = 0x0000FF00;
  EXPECT_EQ(std::memcmp(&state.settings, &expected, sizeof expected), 0);
  EXPECT_FALSE(state.font.created);
  EXPECT_EQ(state.font.handle, nullptr);
  EXPECT_EQ(state.framesPerSecond, 0.0);
  EXPECT_EQ(state.track.Count(), 0u);
  EXPECT_EQ(state.josm.session, session);
  EXPECT_EQ(fake::State().comInitializeCalls, 1);
}

TEST_F(LifecycleTest, ComAlreadyInitialisedCountsAsSuccessAndIsBalanced) {
  fake::State().comInitializeResult = 1;  // S_FALSE
  EXPECT_EQ(Startup(), 1);
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(fake::State().comUninitializeCalls, 1);
}

TEST_F(LifecycleTest, ComFailureLeavesAnAllZeroBlockAndNoStore) {
  Dirty();
  fake::State().comInitializeResult = kComFailure;
  EXPECT_EQ(Startup(), 0);
  const meridel::OverlaySettings zero{};
  EXPECT_EQ(std::memcmp(&state.settings, &zero, sizeof zero), 0);
  EXPECT_EQ(state.track.Count(), 0u);
  EXPECT_FALSE(state.font.created);
  EXPECT_EQ(state.framesPerSecond, 0.0);
  // Nothing to balance at exit.
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(fake::State().comUninitializeCalls, 0);
}

TEST_F(LifecycleTest, ExitReleasesStoreAndFontAndBalancesComOnce) {
  ASSERT_EQ(Startup(), 1);
  state.track.Append({1.0, 2.0, 3});
  Render(0);
  ASSERT_EQ(fake::State().liveFonts.size(), 1u);
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(state.track.Count(), 0u);
  EXPECT_EQ(state.font.handle, nullptr);
  EXPECT_TRUE(fake::State().liveFonts.empty());
  EXPECT_EQ(fake::State().comUninitializeCalls, 1);
  // No request was sent: no session to close.
  EXPECT_TRUE(fake::Http().operations.empty());
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(fake::State().comUninitializeCalls, 1);
}

TEST_F(LifecycleTest, ExitClosesTheSessionOnce) {
  ASSERT_EQ(Startup(), 1);
  OpenSession();
  ASSERT_NE(state.josm.session, nullptr);
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(state.josm.session, nullptr);
  EXPECT_EQ(fake::Http().operations.back(), "close session");
  const size_t operations = fake::Http().operations.size();
  EXPECT_EQ(Exit(), 1);
  EXPECT_EQ(fake::Http().operations.size(), operations);
}

namespace {

using WindowCallbackTest = test_support::ModuleTest;

struct CommandCase {
  const char* name;
  uint32_t message;
  uint32_t wparam;
  int32_t result;
  size_t fileDialogs;
  size_t fontDialogs;
  size_t colourDialogs;
  meridel::Colour colourShown;  // the colour a colour dialog starts from
  size_t currentFrameCalls;
};

constexpr uint32_t kCommand = kWmCommand;

const CommandCase kCommandCases[] = {
    {"GPS file", kCommand, 12004, 1, 1, 0, 0, 0, 0},
    {"Font", kCommand, 12005, 1, 0, 1, 0, 0, 0},
    {"Text Color", kCommand, 12006, 1, 0, 0, 1, 0x00FFFFFF, 0},
    {"Border Color", kCommand, 12007, 1, 0, 0, 1, 0x0000FF00, 0},
    {"JOSM sync", kCommand, 12008, 0, 0, 0, 0, 0, 0},
    {"JOSM add", kCommand, 12009, 0, 0, 0, 0, 0, 1},
    {"below the ids", kCommand, 12003, 0, 0, 0, 0, 0, 0},
    {"above the ids", kCommand, 12010, 0, 0, 0, 0, 0, 0},
    {"zero", kCommand, 0, 0, 0, 0, 0, 0, 0},
    {"notification code in the high word", kCommand, 0x00010000 | 12005, 0, 0, 0, 0, 0, 0},
    {"all high bits", kCommand, 0xFFFF0000 | 12004, 0, 0, 0, 0, 0, 0},
    {"another message", 0x0112, 12005, 0, 0, 0, 0, 0, 0},
    {"WM_USER + 100", 0x0464, 12006, 0, 0, 0, 0, 0, 0},
};

}  // namespace

TEST_F(WindowCallbackTest, CommandsAndTheirResults) {
  for (const CommandCase& c : kCommandCases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    Host() = test_support::HostRecord{};
    EXPECT_EQ(Send(c.message, c.wparam), c.result);
    const fake::Platform& platform = fake::State();
    EXPECT_EQ(platform.openFileDialogs.size(), c.fileDialogs);
    EXPECT_EQ(platform.fontDialogs.size(), c.fontDialogs);
    EXPECT_EQ(platform.colorDialogs.size(), c.colourDialogs);
    EXPECT_EQ(Host().currentFrameCalls.size(), c.currentFrameCalls);
    EXPECT_TRUE(Host().sourceInfoCalls.empty());
    EXPECT_TRUE(fake::Http().operations.empty());  // no track: "JOSM add" sends nothing
    if (!platform.openFileDialogs.empty()) {
      EXPECT_EQ(platform.openFileDialogs[0].dialog.owner, nullptr);
    }
    if (!platform.fontDialogs.empty()) {
      EXPECT_EQ(platform.fontDialogs[0].dialog.owner, kWindow);
    }
    if (!platform.colorDialogs.empty()) {
      EXPECT_EQ(platform.colorDialogs[0].dialog.owner, kWindow);
      EXPECT_EQ(platform.colorDialogs[0].dialog.rgbResult, c.colourShown);
    }
    if (!Host().currentFrameCalls.empty()) {
      EXPECT_EQ(Host().currentFrameCalls[0], kEdit);
    }
  }
}

TEST_F(WindowCallbackTest, ConfirmedChoicesStillReturnOne) {
  fake::State().colorAnswers = {0x00010203, 0x00040506};
  fake::State().fontAnswers.push_back({true, {}, 0});
  EXPECT_EQ(Send(kCommand, 12006), 1);
  EXPECT_EQ(Send(kCommand, 12007), 1);
  EXPECT_EQ(Send(kCommand, 12005), 1);
  EXPECT_EQ(state.settings.borderColor, 0x00040506u);
}

TEST_F(WindowCallbackTest, JosmAddSendsTheCurrentFramesPosition) {
  LoadTrack({{10.0, 20.0, 100}, {11.0, 22.0, 110}, {12.0, 20.0, 130}});
  state.framesPerSecond = 1.0;
  Host().currentFrame = 15;
  EXPECT_EQ(Send(kCommand, 12009), 0);
  EXPECT_EQ(fake::Http().requests, std::vector<std::string>{"add_node?lon=21.50000000&lat=11.25000000"});
  // Refused by JOSM: the result is the same.
  fake::Http().status = 403;
  EXPECT_EQ(Send(kCommand, 12009), 0);
  EXPECT_EQ(fake::Http().requests.size(), 2u);
  EXPECT_EQ(Host().currentFrameCalls, (std::vector<EditHandle>{kEdit, kEdit}));
}

// A host that leaves out a record or a service: each callback still gives
// its usual result, and only what needs the missing piece is left undone.
struct LeftOutCase {
  const char* name;
  void (*leaveOut)(HostFilter&, HostServices&);
  size_t draws;
  size_t zoomRequests;
  size_t addRequests;
  bool sourceOpened;
};

TEST_F(WindowCallbackTest, MissingHostPiecesGiveTheUsualResultsAndLeaveTheirActionsUndone) {
  const LeftOutCase cases[] = {
      {"services", [](HostFilter& f, HostServices&) { f.services = nullptr; }, 0, 0, 0, false},
      {"DrawTextOnFrame", [](HostFilter&, HostServices& s) { s.DrawTextOnFrame = nullptr; }, 0, 0, 1, true},
      {"GetCurrentFrame", [](HostFilter&, HostServices& s) { s.GetCurrentFrame = nullptr; }, 5, 1, 0, true},
      {"GetSourceFileInfo", [](HostFilter&, HostServices& s) { s.GetSourceFileInfo = nullptr; }, 5, 1, 1, false},
      {"NotifyFilterChanged", [](HostFilter&, HostServices& s) { s.NotifyFilterChanged = nullptr; }, 5, 1, 1, false},
      {"trackValues", [](HostFilter& f, HostServices&) { f.trackValues = nullptr; }, 0, 0, 0, true},
      {"trackMax", [](HostFilter& f, HostServices&) { f.trackMax = nullptr; }, 5, 1, 1, false},
      {"checkValues", [](HostFilter& f, HostServices&) { f.checkValues = nullptr; }, 0, 0, 1, true},
  };
  LoadTrack({{10.0, 20.0, 100}, {11.0, 22.0, 110}});
  host.checkValues[meridel::kCheckJosmSync] = 1;
  Host().sourceInfo.rate = 25;
  Host().sourceInfo.scale = 1;
  for (const LeftOutCase& c : cases) {
    SCOPED_TRACE(c.name);
    HostFilter filter = host.filter;
    HostServices services = host.services;
    filter.services = &services;
    c.leaveOut(filter, services);
    state.framesPerSecond = 1.0;
    Host().draws.clear();
    fake::Http().requests.clear();

    FrameProcInfo frame = Frame(5);
    EXPECT_EQ(meridel::RenderFrame(state, &filter, &frame), 1);
    EXPECT_EQ(Host().draws.size(), c.draws);
    EXPECT_EQ(fake::Http().requests.size(), c.zoomRequests);
    EXPECT_EQ(meridel::HandleWindowMessage(state, kWindow, kCommand, 12009, kEdit, &filter), 0);
    EXPECT_EQ(fake::Http().requests.size(), c.zoomRequests + c.addRequests);
    EXPECT_EQ(meridel::HandleWindowMessage(state, kWindow, kMsgSourceOpened, 0, kEdit, &filter), 0);
    EXPECT_EQ(state.framesPerSecond == 25.0, c.sourceOpened);
  }
}

TEST_F(WindowCallbackTest, SourceOpenedSetsMaximaAndRateThenNotifies) {
  Host().sourceInfo.width = 640;
  Host().sourceInfo.height = 480;
  Host().sourceInfo.rate = 30000;
  Host().sourceInfo.scale = 1001;
  EXPECT_EQ(Send(kMsgSourceOpened, 0), 0);
  EXPECT_EQ(Host().sourceInfoCalls, std::vector<EditHandle>{kEdit});
  const int32_t maxima[] = {640, 480, 15, 45, 100, 59, 59, 10};
  EXPECT_TRUE(std::equal(std::begin(maxima), std::end(maxima), host.trackMax));
  EXPECT_EQ(state.framesPerSecond, 30000.0 / 1001.0);
  EXPECT_NEAR(state.framesPerSecond, 29.97002997, 1e-8);
  ASSERT_EQ(Host().notifyCalls.size(), 1u);
  const test_support::NotifyCall& notify = Host().notifyCalls[0];
  EXPECT_EQ(notify.filter, &host.filter);
  EXPECT_EQ(notify.framesPerSecond, state.framesPerSecond);
  EXPECT_EQ(notify.trackMaxX, 640);
  EXPECT_EQ(notify.trackMaxY, 480);
  // The registration record's own maxima belong to the host's filter only when it passes them.
  EXPECT_EQ(GetFilterTable()->trackMax[0], 999);

  Host().sourceInfo.width = 1920;
  Host().sourceInfo.height = 1080;
  Host().sourceInfo.rate = 25;
  Host().sourceInfo.scale = 1;
  Send(kMsgSourceOpened, 0);
  EXPECT_EQ(host.trackMax[0], 1920);
  EXPECT_EQ(host.trackMax[1], 1080);
  EXPECT_EQ(state.framesPerSecond, 25.0);
}

TEST_F(WindowCallbackTest, SourceInfoUnavailableChangesNothing) {
  state.framesPerSecond = 25.0;
  Host().sourceInfoResult = 0;
  Host().sourceInfo.width = 640;
  EXPECT_EQ(Send(kMsgSourceOpened, 0), 0);
  EXPECT_EQ(host.trackMax[0], 999);
  EXPECT_EQ(host.trackMax[1], 999);
  EXPECT_EQ(state.framesPerSecond, 25.0);
  EXPECT_TRUE(Host().notifyCalls.empty());
}

TEST_F(WindowCallbackTest, ScaleZeroIsStoredAsItComesOut) {
  struct Case {
    int32_t rate;
    bool nan;
  };
  for (const Case c : {Case{30000, false}, Case{0, true}}) {
    SCOPED_TRACE(c.rate);
    Host().sourceInfo.rate = c.rate;
    Host().sourceInfo.scale = 0;
    EXPECT_EQ(Send(kMsgSourceOpened, 0), 0);
    EXPECT_EQ(std::isnan(state.framesPerSecond), c.nan);
    EXPECT_EQ(std::isinf(state.framesPerSecond), !c.nan);
    // Frames still render with such a rate.
    EXPECT_EQ(Render(10), 1);
  }
  EXPECT_EQ(Host().notifyCalls.size(), 2u);
}
