// The module's HTTP client on 32-bit Windows: WinINet, one call per operation.
#include "platform/http_client.h"

#include <windows.h>
#include <wininet.h>

#include <map>
#include <mutex>
#include <utility>

namespace platform {
namespace {

static_assert(INTERNET_OPEN_TYPE_PRECONFIG == 0);
static_assert(INTERNET_SERVICE_HTTP == 3);
constexpr DWORD kStatusCodeAsNumber = HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER;
static_assert(kStatusCodeAsNumber == 0x20000013);
static_assert(INTERNET_FLAG_RELOAD == kRequestReload && INTERNET_FLAG_NO_CACHE_WRITE == kRequestNoCacheWrite);

HINTERNET AsInternet(HttpHandle handle) { return static_cast<HINTERNET>(handle); }

class WinInetClient final : public HttpClient {
 public:
  HttpHandle OpenSession(const char* agentName) override {
    // Synchronous, with the system's configured proxy settings.
    return InternetOpenA(agentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  }

  // Windows applies time-outs set on the session to every connection made
  // from it; Wine reads them from the connection only (it ignores the send
  // and receive limits of a session, and its connections do not take the
  // connect limit from it). So they are set on both.
  void SetTimeouts(HttpHandle session, const HttpTimeouts& timeouts) override {
    if (!session) return;
    Apply(session, timeouts);
    const std::lock_guard<std::mutex> lock(mutex_);
    sessionTimeouts_[session] = timeouts;
  }

  HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) override {
    HINTERNET connection =
        InternetConnectA(AsInternet(session), server, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection) {
      const std::lock_guard<std::mutex> lock(mutex_);
      const auto found = sessionTimeouts_.find(session);
      if (found != sessionTimeouts_.end()) Apply(connection, found->second);
    }
    return connection;
  }

  HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object, uint32_t flags) override {
    // Version, referrer and accepted types: the client's defaults.
    return HttpOpenRequestA(AsInternet(connection), verb, object, nullptr, nullptr, nullptr, flags, 0);
  }

  bool SendRequest(HttpHandle request) override {
    return HttpSendRequestA(AsInternet(request), "", 0, nullptr, 0) != FALSE;
  }

  bool QueryStatusCode(HttpHandle request, uint32_t& status) override {
    DWORD code = 0;
    DWORD length = sizeof code;
    if (!HttpQueryInfoA(AsInternet(request), kStatusCodeAsNumber, &code, &length, nullptr)) return false;
    status = code;
    return true;
  }

  void CloseHandle(HttpHandle handle) override {
    if (!handle) return;
    InternetCloseHandle(AsInternet(handle));
    const std::lock_guard<std::mutex> lock(mutex_);
    sessionTimeouts_.erase(handle);
  }

 private:
  // A failed option leaves that wait to the system's default; the request still goes out.
  static void Apply(HttpHandle handle, const HttpTimeouts& timeouts) {
    const std::pair<DWORD, DWORD> options[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect},
                                               {INTERNET_OPTION_SEND_TIMEOUT, timeouts.send},
                                               {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive}};
    for (auto [option, value] : options) InternetSetOptionA(AsInternet(handle), option, &value, sizeof value);
  }

  std::mutex mutex_;
  std::map<HttpHandle, HttpTimeouts> sessionTimeouts_;
};

WinInetClient systemClient;

}  // namespace

HttpClient& SystemHttpClient() { return systemClient; }

}  // namespace platform
