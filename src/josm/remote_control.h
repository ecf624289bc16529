// A filter instance's link to JOSM: its requests for a frame's position.
#pragma once

#include <cstdint>

#include <string>

#include "josm/http_transport.h"
#include "josm/josm_request.h"
#include "platform/http_client.h"

namespace meridel {

class TrackStore;

// After a request that JOSM did not answer, sync requests are skipped for
// this long: a JOSM that is closed, still starting or hung would otherwise
// cost every frame a time-out (and on Windows even a closed port costs a
// second or two, as Winsock tries again before it gives up).
inline constexpr uint64_t kJosmQuietPeriodMs = 2000;

// What a filter instance keeps of its link to JOSM.
struct JosmLink {
  platform::HttpHandle session = nullptr;  // opened by the first request, closed by CloseJosmLink
  // Set by an unanswered request, cleared by an answered one; quietSince is
  // the monotonic time at which the unanswered one gave up.
  bool quiet = false;
  uint64_t quietSince = 0;
};

// Sends JosmRequestAt's request for `moment` through the system's HTTP
// client. Sends nothing without a position or for another command value, nor a
// ZoomView within the quiet period; AddNode (the user pressed the button)
// always goes out. The outcome is otherwise ignored, as JOSM may well not be
// running: whether it answered starts or ends the quiet period.
void SendJosmCommand(JosmLink& link, TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom);

// Sends a request text built for `command` through the system's HTTP
// client, with the same rules: a ZoomView within the quiet period is not
// sent (NoAnswer); whether JOSM answered starts or ends the quiet period.
HttpOutcome SendJosmRequest(JosmLink& link, JosmCommand command, std::string request);

// Closes the link's session, if a request opened one.
void CloseJosmLink(JosmLink& link);

}  // namespace meridel
