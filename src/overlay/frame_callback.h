// The per-frame entry point: the bordered caption, then the JOSM view sync.
#pragma once

#include "host/host_abi.h"

namespace meridel {

int32_t HOST_CALL FrameCallback(HostFilter* filter, FrameProcInfo* frame);

}  // namespace meridel
