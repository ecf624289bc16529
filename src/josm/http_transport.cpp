#include "josm/http_transport.h"

#include "host/filter_state.h"

namespace meridel {
namespace {

// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE: always from the server, never cached.
constexpr uint32_t kRequestFlags = 0x84000000;

}  // namespace

bool HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text) {
  if (!session) session = client.OpenSession("");  // kept, null or not: the next call retries
  platform::HttpHandle connection = nullptr;
  platform::HttpHandle request = nullptr;
  bool ok = false;
  if (session) connection = client.Connect(session, kJosmServer, kJosmPort);
  if (connection) {
    request = client.OpenRequest(connection, "GET", text.c_str(), kRequestFlags);
    uint32_t status = 0;
    ok = request && client.SendRequest(request) && client.QueryStatusCode(request, status) && status == 200;
  }
  // Request before connection, on every path; closing null does nothing.
  client.CloseHandle(request);
  client.CloseHandle(connection);
  return ok;
}

bool HttpGetLocal(std::string text) {
  return HttpGetLocal(platform::SystemHttpClient(), filterState.sessionHandle, std::move(text));
}

void CloseHttpSession() {
  if (!filterState.sessionHandle) return;
  platform::SystemHttpClient().CloseHandle(filterState.sessionHandle);
  filterState.sessionHandle = nullptr;
}

}  // namespace meridel
