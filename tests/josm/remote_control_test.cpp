#include "josm/remote_control.h"

#include <gtest/gtest.h>

#include <climits>

#include "host/filter_state.h"
#include "host/filter_table.h"
#include "host/overlay_settings.h"
#include "platform/fake/fake_platform.h"
#include "support/decimal_comma_locale.h"
#include "support/host_fixture.h"

using meridel::BuildJosmRequest;
using meridel::IntPower;
using meridel::JosmCommand;

namespace {

struct RequestCase {
  const char* name;
  JosmCommand command;
  int32_t zoom;
  double latitude;
  double longitude;
  const char* text;
};

const RequestCase kRequestCases[] = {
    {"zoom 0", JosmCommand::ZoomView, 0, 35.68, 139.76,
     "zoom?left=139.75900000&right=139.76100000&top=35.68100000&bottom=35.67900000"},
    {"zoom 3", JosmCommand::ZoomView, 3, -33.8688, 151.2093,
     "zoom?left=151.20872130&right=151.20987870&top=-33.86822130&bottom=-33.86937870"},
    {"add node", JosmCommand::AddNode, 0, 51.5, -0.125, "add_node?lon=-0.12500000&lat=51.50000000"},
    {"add node ignores zoom", JosmCommand::AddNode, 10, 51.5, -0.125, "add_node?lon=-0.12500000&lat=51.50000000"},
    {"box not clamped at the pole", JosmCommand::ZoomView, 0, 90.0, 180.0,
     "zoom?left=179.99900000&right=180.00100000&top=90.00100000&bottom=89.99900000"},
    {"other command", static_cast<JosmCommand>(2), 0, 1.0, 2.0, ""},
    {"negative command", static_cast<JosmCommand>(-1), 0, 1.0, 2.0, ""},
};

}  // namespace

TEST(JosmRequest, Texts) {
  for (const RequestCase& c : kRequestCases) {
    EXPECT_EQ(BuildJosmRequest(c.command, c.zoom, c.latitude, c.longitude), c.text) << c.name;
  }
}

TEST(JosmRequest, SameTextsUnderADecimalCommaLocale) {
  test_support::ScopedDecimalComma comma;
  for (const RequestCase& c : kRequestCases) {
    EXPECT_EQ(BuildJosmRequest(c.command, c.zoom, c.latitude, c.longitude), c.text) << c.name;
  }
}

TEST(JosmRequest, HalfExtentShrinksAsZoomGrows) {
  struct Case {
    int32_t zoom;
    double h;
    const char* text;  // at latitude 0, longitude 0
  };
  const Case cases[] = {
      {-10, 0.0061917364224, "zoom?left=-0.00619174&right=0.00619174&top=0.00619174&bottom=-0.00619174"},
      {-5, 0.00248832, "zoom?left=-0.00248832&right=0.00248832&top=0.00248832&bottom=-0.00248832"},
      {0, 0.001, "zoom?left=-0.00100000&right=0.00100000&top=0.00100000&bottom=-0.00100000"},
      {3, 0.000578703703703, "zoom?left=-0.00057870&right=0.00057870&top=0.00057870&bottom=-0.00057870"},
      {5, 0.000401877572016, "zoom?left=-0.00040188&right=0.00040188&top=0.00040188&bottom=-0.00040188"},
      {10, 0.00016150558289, "zoom?left=-0.00016151&right=0.00016151&top=0.00016151&bottom=-0.00016151"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    EXPECT_NEAR(IntPower(1.2, -c.zoom) * 0.001, c.h, c.h * 1e-11);
    EXPECT_EQ(BuildJosmRequest(JosmCommand::ZoomView, c.zoom, 0.0, 0.0), c.text);
  }
}

TEST(IntPower, ProductsFromTheLowestBitUp) {
  const double x = 1.2;
  const double x2 = x * x;
  const double x4 = x2 * x2;
  const double x8 = x4 * x4;
  struct Case {
    int32_t n;
    double expected;
  };
  const Case cases[] = {
      {0, 1.0},
      {1, x},
      {-1, 1.0 / x},
      {3, x * x2},
      {-3, 1.0 / (1.2 * (1.2 * 1.2))},
      {5, x * x4},
      {-5, 1.0 / (x * x4)},
      {7, (x * x2) * x4},
      {10, x2 * x8},
      {-10, 1.0 / (x2 * x8)},
  };
  for (const Case& c : cases) {
    // Bit for bit: the order of the products is part of the result.
    EXPECT_EQ(IntPower(x, c.n), c.expected) << c.n;
  }
}

TEST(IntPower, ExtremeExponentsEnd) {
  EXPECT_EQ(IntPower(1.0, INT32_MIN), 1.0);
  EXPECT_EQ(IntPower(2.0, INT32_MIN), 0.0);
  EXPECT_EQ(IntPower(-1.0, INT32_MAX), -1.0);
  EXPECT_EQ(IntPower(0.5, INT32_MAX), 0.0);
}

namespace {

class SendJosmCommandTest : public test_support::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    meridel::filterState.framesPerSecond = 1.0;
  }

  void Send(JosmCommand command, int32_t frame) { meridel::SendJosmCommand(command, host.filter, frame); }

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
  meridel::filterState.framesPerSecond = 0.0;
  Send(JosmCommand::AddNode, 7);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0], "add_node?lon=20.00000000&lat=10.00000000");
}

TEST_F(SendJosmCommandTest, OtherCommandsSendNothing) {
  LoadTrack({{10.0, 20.0, 100}});
  Send(static_cast<JosmCommand>(2), 0);
  EXPECT_TRUE(fake::Http().operations.empty());
}
