#include "support/host_fixture.h"

#include <algorithm>

#include "windows_editor/frame_callback.h"
#include "windows_editor/lifecycle.h"
#include "support/fake_platform.h"

namespace test_support {
namespace {

HostRecord record;

int32_t HOST_CALL RecordCurrentFrame(EditHandle edit) {
  record.currentFrameCalls.push_back(edit);
  return record.currentFrame;
}

int32_t HOST_CALL RecordNotify(HostFilter* filter) {
  record.notifyCalls.push_back(
      {filter, record.state ? record.state->framesPerSecond : 0.0, filter->trackMax[0], filter->trackMax[1]});
  return 1;
}

int32_t HOST_CALL RecordSourceInfo(EditHandle edit, SourceFileInfo* info) {
  record.sourceInfoCalls.push_back(edit);
  if (record.sourceInfoResult) *info = record.sourceInfo;
  return record.sourceInfoResult;
}

int32_t HOST_CALL RecordDraw(void* image, int32_t x, int32_t y, const char* text, int32_t red, int32_t green,
                             int32_t blue, int32_t zeroA, void* font, int32_t zeroB, int32_t zeroC) {
  record.draws.push_back(
      {image, x, y, text, red, green, blue, zeroA, font, zeroB, zeroC, fake::Http().operations.size()});
  return 1;
}

}  // namespace

HostRecord& Host() { return record; }

HostFilterFixture::HostFilterFixture() {
  const FilterTable& table = *GetFilterTable();
  std::copy_n(table.trackDefaults, meridel::kTrackCount, trackValues);
  std::copy_n(table.trackMax, meridel::kTrackCount, trackMax);
  std::copy_n(table.checkDefaults, meridel::kCheckCount, checkValues);
  services.GetCurrentFrame = RecordCurrentFrame;
  services.NotifyFilterChanged = RecordNotify;
  services.GetSourceFileInfo = RecordSourceInfo;
  services.DrawTextOnFrame = RecordDraw;
  filter.trackMax = trackMax;
  filter.trackValues = trackValues;
  filter.checkValues = checkValues;
  filter.services = &services;
}

void HostTest::SetUp() {
  fake::Reset();
  record = HostRecord{};
  record.state = &state;
}

void HostTest::TearDown() { Exit(); }

FrameProcInfo HostTest::Frame(int32_t number) {
  FrameProcInfo frame{};
  frame.image = image;
  frame.frame = number;
  return frame;
}

int32_t HostTest::Startup() { return meridel::StartFilter(state); }

int32_t HostTest::Exit() { return meridel::ExitFilter(state); }

int32_t HostTest::Render(int32_t frameNumber) {
  FrameProcInfo frame = Frame(frameNumber);
  return meridel::RenderFrame(state, &host.filter, &frame);
}

int32_t HostTest::Send(uint32_t message, uint32_t wparam) {
  return meridel::HandleWindowMessage(state, kWindow, message, wparam, kEdit, &host.filter);
}

int32_t HostTest::Press(meridel::CheckIndex button) { return Send(kWmCommand, kFirstCommandId + button); }

void ModuleTest::SetUp() {
  HostTest::SetUp();
  ASSERT_EQ(Startup(), 1);
}

void ModuleTest::LoadTrack(const std::vector<meridel::TrackPoint>& points) {
  state.track.Clear();
  for (const meridel::TrackPoint& point : points) state.track.Append(point);
  state.track.SetCursorToFirst();
  state.settings.baseTime = points.front().time;
}

}  // namespace test_support
