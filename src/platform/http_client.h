// The seven operations of an HTTP client that the loopback transport needs.
// WinINet in the module (platform/win32), libcurl natively (platform/posix),
// scripted fakes in tests.
#pragma once

#include <cstdint>

namespace platform {

using HttpHandle = void*;

// Request flags, as WinINet numbers them.
inline constexpr uint32_t kRequestReload = 0x80000000;        // INTERNET_FLAG_RELOAD: always from the server
inline constexpr uint32_t kRequestNoCacheWrite = 0x04000000;  // INTERNET_FLAG_NO_CACHE_WRITE: never cached

// Limits of a session's waits, in milliseconds: for a connection to be made,
// for a request to go out, for an answer to arrive.
struct HttpTimeouts {
  uint32_t connect;
  uint32_t send;
  uint32_t receive;
};

class HttpClient {
 public:
  // A session that can serve any number of later requests, or null.
  virtual HttpHandle OpenSession(const char* agentName) = 0;
  // Bounds the waits of the session's later requests; an exchange that runs
  // out of time fails as a refused one does.
  virtual void SetTimeouts(HttpHandle session, const HttpTimeouts& timeouts) = 0;
  // A connection bound to the server (a numeric address text) and port, or null.
  virtual HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) = 0;
  // A request for the object (sent with one slash in front), or null.
  virtual HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object,
                                 uint32_t flags) = 0;
  // True once the answer has arrived far enough for its status to be read.
  virtual bool SendRequest(HttpHandle request) = 0;
  virtual bool QueryStatusCode(HttpHandle request, uint32_t& status) = 0;
  // Releases any handle above; null does nothing.
  virtual void CloseHandle(HttpHandle handle) = 0;

 protected:
  ~HttpClient() = default;
};

// The client the module's requests go through.
HttpClient& SystemHttpClient();

}  // namespace platform
