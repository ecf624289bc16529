#include "bench_host.h"

#include <cstdlib>
#include <cstdio>

#include "host/filter_state.h"
#include "host/filter_table.h"
#include "host/lifecycle.h"
#include "host/overlay_settings.h"
#include "platform/fake/fake_platform.h"
#include "track/track_store.h"

namespace bench {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench host: %s\n", what);
  std::exit(1);
}

}  // namespace

BenchHost::BenchHost()
    : trackValues_{10, 10, 9, 0, 0, 0, 0, 0},
      trackMax_{999, 999, 15, 45, 100, 59, 59, 10},
      checkValues_{0, 0, 0, 0, 0, 0} {
  SetIdleServices(services_);
  filter.trackValues = trackValues_;
  filter.trackMax = trackMax_;
  filter.checkValues = checkValues_;
  filter.services = &services_;

  fake::Reset();
  meridel::overlaySettings = meridel::OverlaySettings{};
  meridel::filterState = meridel::FilterState{};
  if (meridel::StartupCallback(&filter) != 1) Fail("start-up failed");
  meridel::WindowCallback(nullptr, meridel::kMsgSourceOpened, 0, 0, nullptr, &filter);
  if (meridel::filterState.framesPerSecond == 0.0) Fail("the source was not opened");
}

BenchHost::~BenchHost() { meridel::ExitCallback(&filter); }

void BenchHost::LoadTrack(int32_t points) {
  meridel::TrackStore& store = *meridel::filterState.trackStore;
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
  meridel::overlaySettings.baseTime = store.First().time;
  trackFrames_ = bench::TrackFrames(points);
}

void BenchHost::SetJosmSync(bool ticked) { checkValues_[meridel::kCheckJosmSync] = ticked ? 1 : 0; }

FrameProcInfo BenchHost::Frame(int32_t number) {
  FrameProcInfo frame{};
  frame.image = image_;
  frame.frame = number;
  return frame;
}

}  // namespace bench
