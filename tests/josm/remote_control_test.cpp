#include "josm/remote_control.h"

#include <gtest/gtest.h>

#include "windows_editor/filter_table.h"
#include "windows_editor/frame_callback.h"
#include "support/fake_platform.h"
#include "support/host_fixture.h"

using meridel::JosmCommand;

namespace {

// Requests for a frame of the host's filter, as its callbacks send them.
class SendJosmCommandTest : public test_support::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    state.framesPerSecond = 1.0;
  }

  void Send(JosmCommand command, int32_t frame) {
    meridel::SendJosmCommand(state.josm, state.track, command, meridel::MomentOfFrame(state, host.filter, frame),
                             host.trackValues[meridel::kTrackZoom]);
  }

  const std::vector<std::string>& Sent() { return fake::Http().requests; }
};

}  // namespace

TEST_F(SendJosmCommandTest, NothingWithoutATrack) {
  Send(JosmCommand::ZoomView, 0);
  Send(JosmCommand::AddNode, 0);
  EXPECT_TRUE(fake::Http().operations.empty());
}

TEST_F(SendJosmCommandTest, PositionAtTheFrameMoment) {
  LoadTrack({{10.0, 20.0, 100}, {11.0, 22.0, 110}, {12.0, 20.0, 130}});
  struct Case {
    const char* name;
    JosmCommand command;
    int32_t diffH;
    int32_t diffS;
    int32_t zoom;
    int32_t frame;
    const char* text;
  };
  const Case cases[] = {
      {"frame 0 is the first point", JosmCommand::AddNode, 0, 0, 0, 0, "add_node?lon=20.00000000&lat=10.00000000"},
      {"interpolated", JosmCommand::AddNode, 0, 0, 0, 15, "add_node?lon=21.50000000&lat=11.25000000"},
      {"zoom at the same moment", JosmCommand::ZoomView, 0, 0, 0, 15,
       "zoom?left=21.49900000&right=21.50100000&top=11.25100000&bottom=11.24900000"},
      {"difference moves the moment", JosmCommand::AddNode, 0, 10, 0, 15, "add_node?lon=20.50000000&lat=11.75000000"},
      {"an hour earlier: before the track", JosmCommand::AddNode, -1, 0, 0, 15,
       "add_node?lon=20.00000000&lat=10.00000000"},
      {"zoom value read each time", JosmCommand::ZoomView, 0, 0, -5, 15,
       "zoom?left=21.49751168&right=21.50248832&top=11.25248832&bottom=11.24751168"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.trackValues[meridel::kTrackDiffH] = c.diffH;
    host.trackValues[meridel::kTrackDiffS] = c.diffS;
    host.trackValues[meridel::kTrackZoom] = c.zoom;
    const size_t before = Sent().size();
    Send(c.command, c.frame);
    ASSERT_EQ(Sent().size(), before + 1);
    EXPECT_EQ(Sent().back(), c.text);
  }
}

TEST_F(SendJosmCommandTest, NoSourceOpenedStillSendsWhatTheLookupGives) {
  LoadTrack({{10.0, 20.0, 100}, {11.0, 22.0, 110}});
  state.framesPerSecond = 0.0;
  Send(JosmCommand::AddNode, 7);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0], "add_node?lon=20.00000000&lat=10.00000000");
}

TEST_F(SendJosmCommandTest, OtherCommandsSendNothing) {
  LoadTrack({{10.0, 20.0, 100}});
  Send(static_cast<JosmCommand>(2), 0);
  EXPECT_TRUE(fake::Http().operations.empty());
}

namespace {

uint64_t& Now() { return fake::State().monotonicMilliseconds; }

struct OutcomeCase {
  const char* name;
  void (*script)(fake::RecordingHttpClient&);
  bool startsQuietPeriod;
};

// A failure without an answer, however long it took, silences sync for the
// quiet period from the moment it gave up; an answer, whatever its status,
// does not.
const OutcomeCase kOutcomes[] = {
    {"refused or reset", [](fake::RecordingHttpClient& c) { c.failSend = true; }, true},
    {"timed out", [](fake::RecordingHttpClient& c) { c.failSend = true, c.sendTakesMs = 2000; }, true},
    {"no status in the answer", [](fake::RecordingHttpClient& c) { c.failQuery = true; }, true},
    {"no connection", [](fake::RecordingHttpClient& c) { c.failConnect = true; }, true},
    {"400", [](fake::RecordingHttpClient& c) { c.status = 400; }, false},
    {"403, slowly", [](fake::RecordingHttpClient& c) { c.status = 403, c.sendTakesMs = 1500; }, false},
};

}  // namespace

TEST_F(SendJosmCommandTest, QuietPeriodAfterAnUnansweredSyncOnly) {
  LoadTrack({{10.0, 20.0, 100}});
  for (const OutcomeCase& c : kOutcomes) {
    SCOPED_TRACE(c.name);
    fake::Http() = fake::RecordingHttpClient{};
    Now() += 10'000;
    c.script(fake::Http());
    Send(JosmCommand::ZoomView, 0);
    const uint64_t gaveUp = Now();
    fake::Http() = fake::RecordingHttpClient{};
    const uint64_t next = c.startsQuietPeriod ? meridel::kJosmQuietPeriodMs - 1 : 1;
    Now() = gaveUp + next;
    Send(JosmCommand::ZoomView, 1);
    EXPECT_EQ(Sent().size(), c.startsQuietPeriod ? 0u : 1u);
    Now() = gaveUp + meridel::kJosmQuietPeriodMs;
    Send(JosmCommand::ZoomView, 2);
    EXPECT_EQ(Sent().size(), c.startsQuietPeriod ? 1u : 2u);
  }
}

TEST_F(SendJosmCommandTest, JosmAddSendsWithinTheQuietPeriodAndItsOutcomeCounts) {
  LoadTrack({{10.0, 20.0, 100}});
  fake::Http().failSend = true;
  Send(JosmCommand::ZoomView, 0);
  Now() = 1500;
  Send(JosmCommand::AddNode, 0);
  EXPECT_EQ(Sent().size(), 2u);

  // Its failure starts the period again; its answer ends it.
  Now() = meridel::kJosmQuietPeriodMs;
  Send(JosmCommand::ZoomView, 0);
  EXPECT_EQ(Sent().size(), 2u);
  fake::Http().failSend = false;
  Send(JosmCommand::AddNode, 0);
  Send(JosmCommand::ZoomView, 0);
  EXPECT_EQ(Sent().size(), 4u);
}
