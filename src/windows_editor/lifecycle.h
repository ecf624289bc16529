// Start-up, exit and the settings window's messages, for one filter's state.
// The exported callbacks hand these the module's one state; tests hand them
// states of their own. None of them throws.
#pragma once

#include "windows_editor/filter_state.h"
#include "windows_editor/host_abi.h"

namespace meridel {

// StartupCallback's work: 1, or 0 when COM cannot be initialised.
int32_t StartFilter(FilterState& state) noexcept;

// ExitCallback's work: always 1.
int32_t ExitFilter(FilterState& state) noexcept;

// WindowCallback's work: 1 after the four dialog buttons, 0 otherwise.
int32_t HandleWindowMessage(FilterState& state, void* window, uint32_t message, uint32_t wparam, EditHandle edit,
                            HostFilter* filter) noexcept;

}  // namespace meridel
