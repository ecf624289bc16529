// The system's side of the platform seam in native hosts' processes (the
// frei0r filter): HTTP through libcurl.
#include "platform/http_client.h"
#include "platform/posix/curl_client.h"

namespace platform {

HttpClient& SystemHttpClient() { return CurlHttpClient(); }

}  // namespace platform
