// The system's side of the platform seam in native hosts' processes (the
// frei0r filter): HTTP through libcurl, the steady clock.
#include "platform/clock.h"
#include "platform/http_client.h"
#include "platform/posix/curl_client.h"
#include "platform/posix/steady_clock.h"

namespace platform {

HttpClient& SystemHttpClient() { return CurlHttpClient(); }

uint64_t MonotonicMilliseconds() { return SteadyClockMilliseconds(); }

}  // namespace platform
