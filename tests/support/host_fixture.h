// A stand-in host for unit tests: a HostFilter with its own track, maxima and
// check arrays, services that record their calls, and a test fixture that
// starts a filter of its own on the fake platform and exits it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "windows_editor/filter_state.h"
#include "windows_editor/filter_table.h"
#include "windows_editor/host_abi.h"
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
  double framesPerSecond;  // as the filter had it at the call
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
  const meridel::FilterState* state = nullptr;  // whose frame rate NotifyCall records
};

HostRecord& Host();

// The host's record of the filter: the registration record's defaults and
// maxima in arrays of the host's own, and the recording services.
class HostFilterFixture {
 public:
  HostFilterFixture();
  HostFilterFixture(const HostFilterFixture&) = delete;
  HostFilterFixture& operator=(const HostFilterFixture&) = delete;

  int32_t trackValues[meridel::kTrackCount];
  int32_t trackMax[meridel::kTrackCount];
  int32_t checkValues[meridel::kCheckCount];
  HostServices services{};
  HostFilter filter{};
};

// A fresh fake platform, host record and filter state (as at load) for
// every test; TearDown exits the filter so that nothing leaks.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The frame record the host hands the frame callback.
  FrameProcInfo Frame(int32_t number);
  int32_t Startup();
  int32_t Exit();
  int32_t Render(int32_t frameNumber);
  // A window message from the settings window kWindow, with the edit handle kEdit.
  int32_t Send(uint32_t message, uint32_t wparam);
  int32_t Press(meridel::CheckIndex button);

  static inline void* const kWindow = reinterpret_cast<void*>(0x7001);
  static inline EditHandle const kEdit = reinterpret_cast<EditHandle>(0x7002);

  meridel::FilterState state;
  HostFilterFixture host;
  unsigned char image[4] = {};
};

// As HostTest, after a successful start-up.
class ModuleTest : public HostTest {
 protected:
  void SetUp() override;

  // Fills the track as an import does: cursor on the first point, baseTime its time.
  void LoadTrack(const std::vector<meridel::TrackPoint>& points);
};

}  // namespace test_support
