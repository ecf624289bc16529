#include "josm/remote_control.h"

#include "base/wrapping.h"
#include "josm/http_transport.h"
#include "track/track_store.h"

namespace meridel {

void SendJosmCommand(JosmLink& link, TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom) {
  if (command != JosmCommand::ZoomView && command != JosmCommand::AddNode) return;
  double latitude = 0.0;
  double longitude = 0.0;
  if (!LookupPosition(track, LowWord(moment), latitude, longitude)) return;
  HttpGetLocal(platform::SystemHttpClient(), link.session, BuildJosmRequest(command, zoom, latitude, longitude));
}

void CloseJosmLink(JosmLink& link) {
  if (!link.session) return;
  platform::SystemHttpClient().CloseHandle(link.session);
  link.session = nullptr;
}

}  // namespace meridel
