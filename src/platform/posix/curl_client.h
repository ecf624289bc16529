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
  // `timeout` bounds each exchange, connecting included.
  explicit CurlClient(std::chrono::milliseconds timeout) : timeout_(timeout) {}

  HttpHandle OpenSession(const char* agentName) override;
  HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) override;
  HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object, uint32_t flags) override;
  bool SendRequest(HttpHandle request) override;
  bool QueryStatusCode(HttpHandle request, uint32_t& status) override;
  void CloseHandle(HttpHandle handle) override;

 private:
  std::chrono::milliseconds timeout_;
};

// The client of native tools: exchanges bounded to 10 s.
HttpClient& CurlHttpClient();

}  // namespace platform
