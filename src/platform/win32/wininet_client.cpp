// The module's HTTP client on 32-bit Windows: WinINet, one call per
// operation, and a bounded Winsock connection check before each request.
#include "platform/win32/wininet_client.h"

// Winsock's header before windows.h, which would otherwise bring the old one.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace platform {
namespace {

static_assert(INTERNET_OPEN_TYPE_PRECONFIG == 0);
static_assert(INTERNET_SERVICE_HTTP == 3);
constexpr DWORD kStatusCodeAsNumber = HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER;
static_assert(kStatusCodeAsNumber == 0x20000013);
static_assert(INTERNET_FLAG_RELOAD == kRequestReload && INTERNET_FLAG_NO_CACHE_WRITE == kRequestNoCacheWrite);

// The check's limit for a session whose time-outs were never set: WinINet's
// own default connect time-out.
constexpr uint32_t kDefaultConnectMs = 60000;

HINTERNET AsInternet(HttpHandle handle) { return static_cast<HINTERNET>(handle); }

// Waits, until `limitMs` after `start` (GetTickCount), for any of the
// network events `wanted` on a socket in event-select mode, adding what it
// sees to `seen`; false at the deadline or on a failure. An event object
// rather than select(): Wine 8's wineserver can fail an assertion and die
// when one select() lists a socket in two sets, which the failed connects
// that Windows reports only among the exceptions would need.
bool WaitForEvents(SOCKET socket, WSAEVENT event, long wanted, DWORD start, DWORD limitMs,
                   WSANETWORKEVENTS& seen) {
  while ((seen.lNetworkEvents & wanted) == 0) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= limitMs || WaitForSingleObject(event, limitMs - elapsed) != WAIT_OBJECT_0) return false;
    WSANETWORKEVENTS now{};
    if (WSAEnumNetworkEvents(socket, event, &now) != 0) return false;
    seen.lNetworkEvents |= now.lNetworkEvents;
    for (int bit = 0; bit < FD_MAX_EVENTS; ++bit)
      if (now.lNetworkEvents & (1L << bit)) seen.iErrorCode[bit] = now.iErrorCode[bit];
  }
  return true;
}

// Whether a server on the address takes a connection and reacts to it within
// the limit: a non-blocking connect, then the sending side shut at once,
// which a live server answers by closing (JOSM first sends an error page,
// and logs nothing). A connection accepted by the kernel alone is not enough:
// a server whose process is stopped still has connections queued for it
// until its queue is full, and this check's own connection may fill it.
// The socket is reset when done, so that it leaves nothing behind.
bool ServesConnections(const char* server, uint16_t port, uint32_t limitMs) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = server ? inet_addr(server) : INADDR_NONE;
  // A name would need a look-up, which nothing bounds.
  if (address.sin_addr.s_addr == INADDR_NONE) return false;

  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return false;
  const DWORD start = GetTickCount();
  bool served = false;
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const WSAEVENT event = WSACreateEvent();
  // Event-select mode makes the socket non-blocking.
  if (probe != INVALID_SOCKET && event != WSA_INVALID_EVENT &&
      WSAEventSelect(probe, event, FD_CONNECT | FD_READ | FD_CLOSE) == 0) {
    WSANETWORKEVENTS seen{};
    const bool connected = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
                           (WSAGetLastError() == WSAEWOULDBLOCK &&
                            WaitForEvents(probe, event, FD_CONNECT, start, limitMs, seen) &&
                            seen.iErrorCode[FD_CONNECT_BIT] == 0);
    served = connected && shutdown(probe, SD_SEND) == 0 &&
             WaitForEvents(probe, event, FD_READ | FD_CLOSE, start, limitMs, seen);
  }
  if (probe != INVALID_SOCKET) {
    const linger reset{1, 0};
    setsockopt(probe, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
    closesocket(probe);
  }
  if (event != WSA_INVALID_EVENT) WSACloseEvent(event);
  WSACleanup();
  return served;
}

class WinInetClient final : public HttpClient {
 public:
  HttpHandle OpenSession(const char* agentName) override {
    // Synchronous, with the system's configured proxy settings.
    HINTERNET session = InternetOpenA(agentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session) Record([&] { timeoutsOf_.try_emplace(session); });
    return session;
  }

  // Windows applies time-outs set on the session to every connection made
  // from it; Wine reads them from the connection only (it ignores the send
  // and receive limits of a session, and its connections do not take the
  // connect limit from it). So they are set on both.
  void SetTimeouts(HttpHandle session, const HttpTimeouts& timeouts) override {
    if (!session) return;
    Apply(session, timeouts);
    Record([&] { timeoutsOf_[session] = timeouts; });
  }

  HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) override {
    std::optional<HttpTimeouts> timeouts;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      const auto found = timeoutsOf_.find(session);
      // No record (no memory was left for one): no limit is known to check with.
      if (found == timeoutsOf_.end()) return nullptr;
      timeouts = found->second;
    }
    // WinINet connects only when the request is sent, and neither Wine nor
    // Windows bounds that connect by the limit set: checking here, before
    // every request, lets a port where nothing serves fail as a refused
    // connection does. An earlier answer proves nothing: JOSM closes each
    // connection, so every request connects anew, and the port may stop
    // answering at any moment.
    if (!ServesConnections(server, port, timeouts ? timeouts->connect : kDefaultConnectMs)) return nullptr;
    HINTERNET connection =
        InternetConnectA(AsInternet(session), server, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection && timeouts) Apply(connection, *timeouts);
    return connection;
  }

  HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object, uint32_t flags) override {
    // Version, referrer and accepted types: the client's defaults.
    return HttpOpenRequestA(AsInternet(connection), verb, object, nullptr, nullptr, nullptr, flags, 0);
  }

  bool SendRequest(HttpHandle request) override {
    return HttpSendRequestA(AsInternet(request), "", 0, nullptr, 0) != FALSE;
  }

  // Wine's WinINet reports a connection reset instead of an answer as a
  // request sent with status 0: no status, as Windows has it.
  bool QueryStatusCode(HttpHandle request, uint32_t& status) override {
    DWORD code = 0;
    DWORD length = sizeof code;
    const bool read =
        HttpQueryInfoA(AsInternet(request), kStatusCodeAsNumber, &code, &length, nullptr) != FALSE && code >= 100;
    if (read) status = code;
    return read;
  }

  void CloseHandle(HttpHandle handle) override {
    if (!handle) return;
    InternetCloseHandle(AsInternet(handle));
    const std::lock_guard<std::mutex> lock(mutex_);
    timeoutsOf_.erase(handle);
  }

 private:
  // A failed option leaves that wait to the system's default; the request still goes out.
  static void Apply(HttpHandle handle, const HttpTimeouts& timeouts) {
    const std::pair<DWORD, DWORD> options[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect},
                                               {INTERNET_OPTION_SEND_TIMEOUT, timeouts.send},
                                               {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive}};
    for (auto [option, value] : options) InternetSetOptionA(AsInternet(handle), option, &value, sizeof value);
  }

  // Without memory for a record a session makes no connection: no request
  // goes out without a bound on its connection.
  template <class Change>
  void Record(Change&& change) {
    const std::lock_guard<std::mutex> lock(mutex_);
    try {
      change();
    } catch (const std::bad_alloc&) {
    }
  }

  std::mutex mutex_;
  std::map<HttpHandle, std::optional<HttpTimeouts>> timeoutsOf_;  // each open session's, once set
};

WinInetClient systemClient;

}  // namespace

HttpClient& WinInetHttpClient() { return systemClient; }

}  // namespace platform
