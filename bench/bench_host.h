// A minimal host for the benchmarks: a HostFilter with its own arrays and
// services that do nothing, and a filter of its own started on the fake
// platform.
#pragma once

#include <cstdint>

#include "windows_editor/filter_state.h"
#include "windows_editor/filter_table.h"
#include "windows_editor/host_abi.h"
#include "idle_host_services.h"

namespace bench {

inline constexpr int32_t kTrackPoints = 10'000;
inline constexpr int32_t kTrackStart = 1'394'000'000;  // 2014-03-05, UTC

class BenchHost {
 public:
  // Starts the filter and opens a source at 29.97 frames per second.
  BenchHost();
  // Exits the filter.
  ~BenchHost();
  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  // Fills the store as an import leaves it: `points` points one second
  // apart, moving about 10 m a second; cursor on the first, baseTime its time.
  void LoadTrack(int32_t points);
  void SetJosmSync(bool ticked);

  // The number of frames that the loaded track spans.
  int32_t TrackFrames() const { return trackFrames_; }

  FrameProcInfo Frame(int32_t number);
  // The frame callback's work for the frame.
  int32_t Render(FrameProcInfo& frame);

  meridel::FilterState state;
  HostFilter filter{};

 private:
  int32_t trackValues_[meridel::kTrackCount];
  int32_t trackMax_[meridel::kTrackCount];
  int32_t checkValues_[meridel::kCheckCount] = {};
  HostServices services_{};
  unsigned char image_[4] = {};
  int32_t trackFrames_ = 0;
};

}  // namespace bench
