// A filter instance's link to JOSM: its requests for a frame's position.
#pragma once

#include <cstdint>

#include "josm/josm_request.h"
#include "platform/http_client.h"

namespace meridel {

class TrackStore;

// What a filter instance keeps of its link to JOSM.
struct JosmLink {
  platform::HttpHandle session = nullptr;  // opened by the first request, closed by CloseJosmLink
};

// Looks the position at `moment` up in the track (at its low 32 bits) and
// sends the command's request for it through the system's HTTP client.
// Sends nothing without a position or for another command value; the
// outcome is ignored, as JOSM may well not be running.
void SendJosmCommand(JosmLink& link, TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom);

// Closes the link's session, if a request opened one.
void CloseJosmLink(JosmLink& link);

}  // namespace meridel
