// The module's HTTP client on 32-bit Windows, on WinINet.
#pragma once

#include "platform/http_client.h"

namespace platform {

// WinINet, one call per operation, plus a check of its own: unless the
// session's last request was answered less than a second ago, Connect first
// makes sure, within the session's connect limit, that a server on the port
// takes a connection and reacts to it, and gives null when none does.
// WinINet's own connect is bounded only where it applies
// INTERNET_OPTION_CONNECT_TIMEOUT, which Wine's does not (nor did older
// Windows'): a port that drops connection attempts would hold a request
// until the system gives up, over two minutes. While requests follow each
// other and are answered there is no check, so a JOSM that answers costs no
// extra connection per frame in playback.
HttpClient& WinInetHttpClient();

}  // namespace platform
