// Every rendered frame: the bordered caption, then the JOSM view sync.
#pragma once

#include <cstdint>

#include "windows_editor/filter_state.h"
#include "windows_editor/host_abi.h"

namespace meridel {

// The moment frame `frame` of the opened source was shot, from the filter's
// base time, frame rate and "Diff" track values (which must be present).
int64_t MomentOfFrame(const FilterState& state, const HostFilter& filter, int32_t frame);

// FrameCallback's work: always 1.
int32_t RenderFrame(FilterState& state, HostFilter* filter, FrameProcInfo* frame) noexcept;

}  // namespace meridel
