// A stand-in host for unit tests: a HostFilter with its own track, maxima and
// check arrays, services that record their calls, and a test fixture that
// starts the module on the fake platform and exits it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_abi.h"
#include "track/track_store.h"

namespace test_support {

struct DrawCall {
  void* image;
  int32_t x;
  int32_t y;
  std::string text;
  int32_t red;
  int32_t green;
  int32_t blue;
  int32_t zeroA;
  void* font;
  int32_t zeroB;
  int32_t zeroC;
  size_t httpOperationsBefore;  // fake::Http().operations.size() when drawn
};

struct NotifyCall {
  HostFilter* filter;
  double framesPerSecond;  // as the module had it at the call
  int32_t trackMaxX;
  int32_t trackMaxY;
};

// What the recording services were asked, and what they answer.
struct HostRecord {
  std::vector<DrawCall> draws;
  int32_t currentFrame = 0;
  std::vector<EditHandle> currentFrameCalls;
  int32_t sourceInfoResult = 1;
  SourceFileInfo sourceInfo{};
  std::vector<EditHandle> sourceInfoCalls;
  std::vector<NotifyCall> notifyCalls;
};

HostRecord& Host();

// The registration record's defaults in arrays of the host's own.
class HostFilterFixture {
 public:
  HostFilterFixture();
  HostFilterFixture(const HostFilterFixture&) = delete;
  HostFilterFixture& operator=(const HostFilterFixture&) = delete;

  int32_t trackValues[8];
  int32_t trackMax[8];
  int32_t checkValues[6];
  HostServices services{};
  HostFilter filter{};
};

// A fresh fake platform, host record and module state (as at load) for
// every test; TearDown runs the exit callback so nothing leaks between tests.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The frame record the host hands the frame callback.
  FrameProcInfo Frame(int32_t number);
  int32_t Startup();

  HostFilterFixture host;
  unsigned char image[4] = {};
};

// As HostTest, after a successful start-up.
class ModuleTest : public HostTest {
 protected:
  void SetUp() override;

  // Fills the store as an import does: cursor on the first point, baseTime its time.
  void LoadTrack(const std::vector<meridel::TrackPoint>& points);
};

}  // namespace test_support
