#include "josm/http_transport.h"

namespace meridel {

bool HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text) {
  if (!session) session = client.OpenSession("");
  platform::HttpHandle connection = nullptr;
  platform::HttpHandle request = nullptr;
  bool ok = false;
  if (session) connection = client.Connect(session, kJosmServer, kJosmPort);
  if (connection) {
    request = client.OpenRequest(connection, "GET", text.c_str(),
                                 platform::kRequestReload | platform::kRequestNoCacheWrite);
    uint32_t status = 0;
    ok = request && client.SendRequest(request) && client.QueryStatusCode(request, status) && status == 200;
  }
  // Request before connection, on every path; closing null does nothing.
  client.CloseHandle(request);
  client.CloseHandle(connection);
  return ok;
}

}  // namespace meridel
