// The moment a frame was shot and the two-line caption drawn onto it.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_abi.h"

namespace meridel {

// UTC seconds at which the frame was shot: baseTime + frame / framesPerSecond
// (truncated) + the camera-clock difference.
int64_t FrameMoment(const HostFilter& filter, int32_t frame);

// "YYYY-MM-DD hh:mm:ss\n<lat> <lon>" for the frame, in local time.
std::string BuildCaption(const HostFilter& filter, const FrameProcInfo& frame);

}  // namespace meridel
