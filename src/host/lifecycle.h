// Start-up, exit and the settings window's messages.
#pragma once

#include "host/host_abi.h"

namespace meridel {

inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kMsgSourceOpened = 0x0400 + 101;  // the host's "source opened"
inline constexpr uint32_t kFirstCommandId = 12004;           // + the check button's index

int32_t HOST_CALL StartupCallback(HostFilter* filter);
int32_t HOST_CALL ExitCallback(HostFilter* filter);
int32_t HOST_CALL WindowCallback(void* window, uint32_t message, uint32_t wparam, int32_t lparam,
                                 EditHandle edit, HostFilter* filter);

}  // namespace meridel
