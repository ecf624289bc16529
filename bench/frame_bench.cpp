// The per-frame path: the whole frame callback with sync off, and its two
// parts, the caption and the position lookup, over a 10,000-point track.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_host.h"
#include "windows_editor/frame_callback.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "track/track_store.h"

namespace bench {
namespace {

// Frames in order; after the track's last frame the host starts again at 0.
int32_t NextFrame(int32_t frame, int32_t frames) { return frame + 1 == frames ? 0 : frame + 1; }

void BM_FrameCallback(benchmark::State& state) {
  BenchHost host;
  host.LoadTrack(kTrackPoints);
  FrameProcInfo frame = host.Frame(0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Render(frame));
    frame.frame = NextFrame(frame.frame, host.TrackFrames());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("sync off, no-op DrawTextOnFrame");
}
BENCHMARK(BM_FrameCallback);

void BM_BuildCaption(benchmark::State& state) {
  BenchHost host;
  host.LoadTrack(kTrackPoints);
  const int64_t utcOffset = meridel::UtcOffset(host.filter.trackValues[meridel::kTrackUtcH],
                                               host.filter.trackValues[meridel::kTrackUtcM]);
  int32_t frame = 0;
  for (auto _ : state) {
    const int64_t moment = meridel::MomentOfFrame(host.state, host.filter, frame);
    std::string caption = meridel::BuildCaption(host.state.track, moment, utcOffset);
    benchmark::DoNotOptimize(caption.data());
    frame = NextFrame(frame, host.TrackFrames());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildCaption);

// The moments of the track's frames in order, as FrameMoment gives them.
std::vector<int32_t> FrameMoments(const BenchHost& host) {
  std::vector<int32_t> moments;
  moments.reserve(static_cast<size_t>(host.TrackFrames()));
  for (int64_t frame = 0; frame < host.TrackFrames(); ++frame)
    moments.push_back(kTrackStart + static_cast<int32_t>(frame * kScale / kRate));
  return moments;
}

// One lookup whose answer the optimiser must keep.
void TimeLookup(meridel::TrackStore& store, int32_t moment) {
  double latitude = 0.0;
  double longitude = 0.0;
  benchmark::DoNotOptimize(meridel::LookupPosition(store, moment, latitude, longitude));
  benchmark::DoNotOptimize(latitude);
  benchmark::DoNotOptimize(longitude);
}

void BM_LookupPosition_InOrder(benchmark::State& state) {
  BenchHost host;
  host.LoadTrack(kTrackPoints);
  const std::vector<int32_t> moments = FrameMoments(host);
  meridel::TrackStore& store = host.state.track;
  size_t next = 0;
  for (auto _ : state) {
    TimeLookup(store, moments[next]);
    next = next + 1 == moments.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("29.97 fps frames");
}
BENCHMARK(BM_LookupPosition_InOrder);

// Scrubbing: every lookup lies N seconds (N points) before or after the one
// before it, back and forth, so each walks N points. Items are points walked.
void BM_LookupPosition_Jumps(benchmark::State& state) {
  const int32_t jump = static_cast<int32_t>(state.range(0));
  BenchHost host;
  host.LoadTrack(kTrackPoints);
  meridel::TrackStore& store = host.state.track;
  const int32_t later = kTrackStart + kTrackPoints / 2 + jump / 2;  // mid-track
  const int32_t moments[2] = {later, later - jump};
  size_t next = 0;
  for (auto _ : state) {
    TimeLookup(store, moments[next]);
    next ^= 1;
  }
  state.SetItemsProcessed(state.iterations() * jump);
}
BENCHMARK(BM_LookupPosition_Jumps)->Arg(1)->Arg(30)->Arg(600)->Arg(5000);

}  // namespace
}  // namespace bench
