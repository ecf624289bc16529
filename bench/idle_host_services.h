// Host services that do nothing, so that a timing measures the module alone.
// Shared by the benchmark host, which links the logic, and by the stand-in
// host's bench mode, which loads the DLL: hence inline, header only.
#pragma once

#include <cstdint>

#include "windows_editor/host_abi.h"

namespace bench {

// 29.97 frames per second, as the host reports an NTSC source.
inline constexpr int32_t kRate = 30000;
inline constexpr int32_t kScale = 1001;

inline int32_t HOST_CALL DrawNothing(void*, int32_t, int32_t, const char*, int32_t, int32_t, int32_t, int32_t,
                                     void*, int32_t, int32_t) {
  return 1;
}
inline int32_t HOST_CALL NotifyNothing(HostFilter*) { return 1; }
inline int32_t HOST_CALL CurrentFrameZero(EditHandle) { return 0; }
inline int32_t HOST_CALL NtscSource(EditHandle, SourceFileInfo* info) {
  info->width = 1920;
  info->height = 1080;
  info->rate = kRate;
  info->scale = kScale;
  return 1;
}

// Every service the module calls, answered without work.
inline void SetIdleServices(HostServices& services) {
  services.GetCurrentFrame = CurrentFrameZero;
  services.NotifyFilterChanged = NotifyNothing;
  services.GetSourceFileInfo = NtscSource;
  services.DrawTextOnFrame = DrawNothing;
}

// The number of frames that a track of `points` points one second apart spans.
inline int32_t TrackFrames(int64_t points) { return static_cast<int32_t>(points * kRate / kScale); }

}  // namespace bench
