// A minimal host for the benchmarks: a HostFilter with its own arrays and
// services that do nothing, and the module started on the fake platform.
#pragma once

#include <cstdint>

#include "host/host_abi.h"
#include "idle_host_services.h"

namespace bench {

inline constexpr int32_t kTrackPoints = 10'000;
inline constexpr int32_t kTrackStart = 1'394'000'000;  // 2014-03-05, UTC

class BenchHost {
 public:
  // Starts the module and opens a source at 29.97 frames per second.
  BenchHost();
  // Runs the exit callback.
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

  HostFilter filter{};

 private:
  int32_t trackValues_[8];
  int32_t trackMax_[8];
  int32_t checkValues_[6];
  HostServices services_{};
  unsigned char image_[4] = {};
  int32_t trackFrames_ = 0;
};

}  // namespace bench
