#include "platform/posix/curl_client.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace platform {
namespace {

// Every handle this client gives out; CloseHandle deletes through the base.
struct Handle {
  virtual ~Handle() = default;
};

struct Limits {
  long connectMs = 0;  // 0: libcurl's own connect limit
  long totalMs = 0;
};

struct Session final : Handle {
  std::string agentHeader;
  Limits limits;
};

// Like the Windows client's, a connection only records where requests go;
// each request makes its own connection. The server closes it after every
// answer anyway, so keeping sockets between requests would buy nothing.
struct Connection final : Handle {
  std::string agentHeader;
  Limits limits;
  std::string origin;  // "http://127.0.0.1:8111"
};

struct Request final : Handle {
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  bool answered = false;
  ~Request() override {
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
};

template <class Kind>
Kind* As(HttpHandle handle) {
  return dynamic_cast<Kind*>(static_cast<Handle*>(handle));
}

HttpHandle Give(std::unique_ptr<Handle> handle) { return handle.release(); }

bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// Texts that go into the request verbatim must not be able to end a line.
bool HasControl(std::string_view text) {
  for (const unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

CurlClient curlClient(std::chrono::seconds(10));

}  // namespace

HttpHandle CurlClient::OpenSession(const char* agentName) {
  if (!agentName || HasControl(agentName) || !CurlReady()) return nullptr;
  try {
    auto session = std::make_unique<Session>();
    session->limits.totalMs = static_cast<long>(timeout_.count());
    // curl's "Name;" form sends a header with an empty value.
    session->agentHeader = *agentName ? std::string("User-Agent: ") + agentName : "User-Agent;";
    return Give(std::move(session));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void CurlClient::SetTimeouts(HttpHandle sessionHandle, const HttpTimeouts& timeouts) {
  Session* session = As<Session>(sessionHandle);
  if (!session) return;
  session->limits.connectMs = static_cast<long>(timeouts.connect);
  session->limits.totalMs = static_cast<long>(std::max({timeouts.connect, timeouts.send, timeouts.receive}));
}

HttpHandle CurlClient::Connect(HttpHandle sessionHandle, const char* server, uint16_t port) {
  const Session* session = As<Session>(sessionHandle);
  // A dotted IPv4 address only, so that no name is ever looked up.
  in_addr address{};
  if (!session || !server || inet_pton(AF_INET, server, &address) != 1) return nullptr;
  try {
    auto connection = std::make_unique<Connection>();
    connection->agentHeader = session->agentHeader;
    connection->limits = session->limits;
    char portText[8];
    const auto end = std::to_chars(portText, portText + sizeof portText, port).ptr;
    connection->origin = std::string("http://") + server + ":" + std::string(portText, end);
    return Give(std::move(connection));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HttpHandle CurlClient::OpenRequest(HttpHandle connectionHandle, const char* verb, const char* object, uint32_t) {
  // The flags ask for no caching either way; this client has no cache.
  const Connection* connection = As<Connection>(connectionHandle);
  if (!connection || !verb || std::string_view(verb) != "GET" || !object) return nullptr;
  const std::string_view objectText(object);
  if (HasControl(objectText) || objectText.find(' ') != std::string_view::npos) return nullptr;
  try {
    auto request = std::make_unique<Request>();
    request->easy = curl_easy_init();
    if (!request->easy) return nullptr;
    // "Accept:" removes curl's default header; curl adds no other.
    for (const char* header : {"Accept:", connection->agentHeader.c_str()}) {
      curl_slist* const extended = curl_slist_append(request->headers, header);
      if (!extended) return nullptr;
      request->headers = extended;
    }
    // The request line carries the object exactly as given, behind one slash.
    const std::string target = "/" + std::string(objectText);
    const std::string url = connection->origin + "/";
    CURL* const easy = request->easy;
    const bool configured =
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, target.c_str()) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*") == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request->headers) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connection->limits.connectMs) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, connection->limits.totalMs) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, DiscardBody) == CURLE_OK;
    if (!configured) return nullptr;
    return Give(std::move(request));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool CurlClient::SendRequest(HttpHandle requestHandle) {
  Request* request = As<Request>(requestHandle);
  if (!request) return false;
  request->answered = curl_easy_perform(request->easy) == CURLE_OK;
  return request->answered;
}

bool CurlClient::QueryStatusCode(HttpHandle requestHandle, uint32_t& status) {
  const Request* request = As<Request>(requestHandle);
  long code = 0;
  if (!request || !request->answered ||
      curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK || code <= 0)
    return false;
  status = static_cast<uint32_t>(code);
  return true;
}

void CurlClient::CloseHandle(HttpHandle handle) { delete static_cast<Handle*>(handle); }

HttpClient& CurlHttpClient() { return curlClient; }

}  // namespace platform
