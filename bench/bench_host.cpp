#include "bench_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "windows_editor/frame_callback.h"
#include "windows_editor/lifecycle.h"
#include "support/fake_platform.h"
#include "track/track_store.h"

namespace bench {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench host: %s\n", what);
  std::exit(1);
}

}  // namespace

BenchHost::BenchHost() {
  const FilterTable& table = *GetFilterTable();
  std::copy_n(table.trackDefaults, meridel::kTrackCount, trackValues_);
  std::copy_n(table.trackMax, meridel::kTrackCount, trackMax_);
  SetIdleServices(services_);
  filter.trackValues = trackValues_;
  filter.trackMax = trackMax_;
  filter.checkValues = checkValues_;
  filter.services = &services_;

  fake::Reset();
  if (meridel::StartFilter(state) != 1) Fail("start-up failed");
  meridel::HandleWindowMessage(state, nullptr, kMsgSourceOpened, 0, nullptr, &filter);
  if (state.framesPerSecond == 0.0) Fail("the source was not opened");
}

BenchHost::~BenchHost() { meridel::ExitFilter(state); }

void BenchHost::LoadTrack(int32_t points) {
  meridel::TrackStore& store = state.track;
  store.Clear();
  double latitude = 35.68;
  double longitude = 139.76;
  for (int32_t i = 0; i < points; ++i) {
    // A slow curve: the direction turns a little every second.
    const double turn = (i % 600) < 300 ? 1.0 : -1.0;
    latitude += 0.00006 * turn;
    longitude += 0.00009;
    store.Append(meridel::TrackPoint{latitude, longitude, kTrackStart + i});
  }
  store.SetCursorToFirst();
  state.settings.baseTime = store.First().time;
  trackFrames_ = bench::TrackFrames(points);
}

void BenchHost::SetJosmSync(bool ticked) { checkValues_[meridel::kCheckJosmSync] = ticked ? 1 : 0; }

FrameProcInfo BenchHost::Frame(int32_t number) {
  FrameProcInfo frame{};
  frame.image = image_;
  frame.frame = number;
  return frame;
}

int32_t BenchHost::Render(FrameProcInfo& frame) { return meridel::RenderFrame(state, &filter, &frame); }

}  // namespace bench
