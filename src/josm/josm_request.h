// JOSM remote-control request texts for a position.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace meridel {

class TrackStore;

enum class JosmCommand : int32_t { ZoomView = 0, AddNode = 1 };

// x raised to n by repeated squaring, the running product taking the squares
// from the lowest bit up.
double IntPower(double x, int32_t n);

// "zoom?left=..&right=..&top=..&bottom=.." (a box of 2h round the position,
// h = 1.2^-zoom × 0.001 degrees) or "add_node?lon=..&lat=.."; every number
// with 8 decimals whatever the locale. Empty for any other command value.
std::string BuildJosmRequest(JosmCommand command, int32_t zoom, double latitude, double longitude);

// The command's request for the position the track gives at `moment`, at
// its low 32 bits as the caption looks it up: what every host sends for the
// moment it shows. Nothing for an empty track or another command value (the
// track is then not looked at).
std::optional<std::string> JosmRequestAt(TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom);

}  // namespace meridel
