#include "support/host_fixture.h"

#include "host/filter_state.h"
#include "host/lifecycle.h"
#include "host/overlay_settings.h"
#include "platform/fake/fake_platform.h"

namespace test_support {
namespace {

HostRecord record;

int32_t HOST_CALL RecordCurrentFrame(EditHandle edit) {
  record.currentFrameCalls.push_back(edit);
  return record.currentFrame;
}

int32_t HOST_CALL RecordNotify(HostFilter* filter) {
  record.notifyCalls.push_back({filter, meridel::filterState.framesPerSecond, filter->trackMax[0], filter->trackMax[1]});
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

HostFilterFixture::HostFilterFixture()
    : trackValues{10, 10, 9, 0, 0, 0, 0, 0},
      trackMax{999, 999, 15, 45, 100, 59, 59, 10},
      checkValues{-1, -1, -1, -1, 0, -1} {
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
  meridel::overlaySettings = meridel::OverlaySettings{};
  meridel::filterState = meridel::FilterState{};
}

void HostTest::TearDown() { meridel::ExitCallback(&host.filter); }

FrameProcInfo HostTest::Frame(int32_t number) {
  FrameProcInfo frame{};
  frame.image = image;
  frame.frame = number;
  return frame;
}

int32_t HostTest::Startup() { return meridel::StartupCallback(&host.filter); }

void ModuleTest::SetUp() {
  HostTest::SetUp();
  ASSERT_EQ(Startup(), 1);
}

void ModuleTest::LoadTrack(const std::vector<meridel::TrackPoint>& points) {
  meridel::TrackStore& store = *meridel::filterState.trackStore;
  store.Clear();
  for (const meridel::TrackPoint& point : points) store.Append(point);
  store.SetCursorToFirst();
  meridel::overlaySettings.baseTime = points.front().time;
}

}  // namespace test_support
