// One GET to JOSM's remote control, at kJosmServer and kJosmPort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/josm_address.h"
#include "platform/http_client.h"

namespace meridel {

// How long one request may hold the caller: JOSM answers within milliseconds
// when it runs, so these only cut short a JOSM that is absent or hung.
inline constexpr platform::HttpTimeouts kJosmTimeouts{1000, 2000, 2000};

enum class HttpOutcome {
  Status200,    // JOSM did what was asked
  OtherStatus,  // JOSM answered but refused (no layer, command not allowed...)
  NoAnswer,     // refused, reset, timed out, or no handle could be had
};

// Sends `text` as the object of a GET through `client`. Opens the session on
// first use, sets kJosmTimeouts on it and keeps it in `session`, null or not
// (a failed open is retried by the next call); never closes it. The
// connection and request are closed on every path.
HttpOutcome HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text);

// What a host tells its user of a request that got NoAnswer, with what that
// cost them, if anything: "JOSM did not answer on 127.0.0.1:8111: no node
// added (is it running, with remote control on?)".
std::string JosmNoAnswerText(std::string_view consequence = {});

}  // namespace meridel
