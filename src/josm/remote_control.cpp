#include "josm/remote_control.h"

#include <optional>
#include <utility>

#include "josm/http_transport.h"
#include "platform/clock.h"

namespace meridel {
namespace {

bool InQuietPeriod(const JosmLink& link) {
  return link.quiet && platform::MonotonicMilliseconds() - link.quietSince < kJosmQuietPeriodMs;
}

}  // namespace

void SendJosmCommand(JosmLink& link, TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom) {
  if (std::optional<std::string> request = JosmRequestAt(track, command, moment, zoom)) {
    SendJosmRequest(link, command, std::move(*request));
  }
}

HttpOutcome SendJosmRequest(JosmLink& link, JosmCommand command, std::string request) {
  if (command == JosmCommand::ZoomView && InQuietPeriod(link)) return HttpOutcome::NoAnswer;
  const HttpOutcome outcome = HttpGetLocal(platform::SystemHttpClient(), link.session, std::move(request));
  // A failed "JOSM add" says as much about JOSM as a failed sync does, and an
  // answered one that JOSM is back.
  link.quiet = outcome == HttpOutcome::NoAnswer;
  if (link.quiet) link.quietSince = platform::MonotonicMilliseconds();
  return outcome;
}

void CloseJosmLink(JosmLink& link) {
  if (!link.session) return;
  platform::SystemHttpClient().CloseHandle(link.session);
  link.session = nullptr;
}

}  // namespace meridel
