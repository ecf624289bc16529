// JOSM remote-control requests for a frame's position.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_abi.h"

namespace meridel {

enum class JosmCommand : int32_t { ZoomView = 0, AddNode = 1 };

// x raised to n by repeated squaring, the running product taking the squares
// from the lowest bit up.
double IntPower(double x, int32_t n);

// "zoom?left=..&right=..&top=..&bottom=.." or "add_node?lon=..&lat=..";
// empty for any other command value.
std::string BuildJosmRequest(JosmCommand command, int32_t zoom, double latitude, double longitude);

// Looks up the frame's position and sends the request; sends nothing without
// a position. The outcome is ignored.
void SendJosmCommand(JosmCommand command, const HostFilter& filter, int32_t frame);

}  // namespace meridel
