// The native build's HTTP client, on libcurl.
#pragma once

#include <chrono>

#include "platform/http_client.h"

namespace platform {

// Plain GETs to a numeric IPv4 address: no proxy, no redirects, no cache, no
// Accept header; the session's agent name goes out as the User-Agent header,
// an empty name as an empty header (as the Windows client sends it). The
// object is sent exactly as given, behind one slash; the body is discarded.
class CurlClient final : public HttpClient {
 public:
  // `timeout` bounds each exchange, connecting included, of a session whose
  // time-outs were not set.
  explicit CurlClient(std::chrono::milliseconds timeout) : timeout_(timeout) {}

  HttpHandle OpenSession(const char* agentName) override;
  // libcurl has a connect limit but no separate send and receive limits: the
  // whole exchange is bounded by the longest of the three. On the loopback
  // address a connection is made at once or not at all, so that is how long
  // the answer may take, as with WinINet's receive limit.
  void SetTimeouts(HttpHandle session, const HttpTimeouts& timeouts) override;
  HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) override;
  HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object, uint32_t flags) override;
  bool SendRequest(HttpHandle request) override;
  bool QueryStatusCode(HttpHandle request, uint32_t& status) override;
  void CloseHandle(HttpHandle handle) override;

 private:
  std::chrono::milliseconds timeout_;
};

// The client of native tools: exchanges bounded to 10 s until a session's time-outs are set.
HttpClient& CurlHttpClient();

}  // namespace platform
