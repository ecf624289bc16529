// One GET to JOSM's remote control on the loopback address, port 8111.
#pragma once

#include <cstdint>
#include <string>

#include "platform/http_client.h"

namespace meridel {

inline constexpr const char* kJosmServer = "127.0.0.1";
inline constexpr uint16_t kJosmPort = 8111;

// Sends `text` as the object of a GET through `client`; true exactly when the
// answer carried status 200. Opens the session on first use and keeps it in
// `session`, null or not (a failed open is retried by the next call); never
// closes it. The connection and request are closed on every path.
bool HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text);

}  // namespace meridel
