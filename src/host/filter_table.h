// The registration record the host reads through the module's one export.
#pragma once

#include "host/host_abi.h"

namespace meridel {

enum TrackIndex : int { kTrackX, kTrackY, kTrackUtcH, kTrackUtcM, kTrackDiffH, kTrackDiffM, kTrackDiffS, kTrackZoom };
enum CheckIndex : int { kCheckGpsFile, kCheckFont, kCheckTextColor, kCheckBorderColor, kCheckJosmSync, kCheckJosmAdd };

inline constexpr int kTrackCount = 8;
inline constexpr int kCheckCount = 6;

}  // namespace meridel

extern "C" FilterTable* HOST_CALL GetFilterTable(void);
