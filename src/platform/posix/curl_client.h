// The native build's HTTP client, on libcurl.
#pragma once

#include "platform/http_client.h"

namespace platform {

HttpClient& CurlHttpClient();

}  // namespace platform
