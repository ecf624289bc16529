// One GET to JOSM's remote control on the loopback address, port 8111.
#pragma once

#include <string>

#include "platform/http_client.h"

namespace meridel {

inline constexpr const char* kJosmServer = "127.0.0.1";
inline constexpr uint16_t kJosmPort = 8111;

// True exactly when the answer carried status 200. The session is opened on
// first use, kept in `session` and never closed here.
bool HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text);

// The same through the system's client and FilterState's session.
bool HttpGetLocal(std::string text);

// Closes FilterState's session, if one was opened.
void CloseHttpSession();

}  // namespace meridel
