#include "josm/http_transport.h"

#include "base/number_text.h"

namespace meridel {

HttpOutcome HttpGetLocal(platform::HttpClient& client, platform::HttpHandle& session, std::string text) {
  if (!session) {
    session = client.OpenSession("");
    if (session) client.SetTimeouts(session, kJosmTimeouts);
  }
  platform::HttpHandle connection = nullptr;
  platform::HttpHandle request = nullptr;
  HttpOutcome outcome = HttpOutcome::NoAnswer;
  if (session) connection = client.Connect(session, kJosmServer, kJosmPort);
  if (connection) {
    request = client.OpenRequest(connection, "GET", text.c_str(),
                                 platform::kRequestReload | platform::kRequestNoCacheWrite);
    uint32_t status = 0;
    if (request && client.SendRequest(request) && client.QueryStatusCode(request, status))
      outcome = status == 200 ? HttpOutcome::Status200 : HttpOutcome::OtherStatus;
  }
  // Request before connection, on every path; closing null does nothing.
  client.CloseHandle(request);
  client.CloseHandle(connection);
  return outcome;
}

std::string JosmNoAnswerText(std::string_view consequence) {
  std::string text = "JOSM did not answer on " + JosmAddressText();
  if (!consequence.empty()) {
    text += ": ";
    text += consequence;
  }
  return text + " (is it running, with remote control on?)";
}

}  // namespace meridel
