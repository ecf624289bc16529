// The module's HTTP client on 32-bit Windows, on WinINet.
#pragma once

#include "platform/http_client.h"

namespace platform {

// WinINet, one call per operation, plus a check of its own: before every
// request, Connect makes sure, within the session's connect limit, that a
// server on the port takes a connection and reacts to it, and gives null
// when none does. WinINet's own connect is bounded only where it applies
// INTERNET_OPTION_CONNECT_TIMEOUT, which Wine's does not (nor did older
// Windows'): a port that drops connection attempts would hold a request
// until the system gives up, over two minutes. An earlier answer vouches for
// nothing, since JOSM may stop answering between two frames; the check costs
// one loopback connection per request, and JOSM closes every connection
// after its answer anyway.
HttpClient& WinInetHttpClient();

}  // namespace platform
