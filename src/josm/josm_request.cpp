#include "josm/josm_request.h"

#include "base/number_text.h"
#include "base/wrapping.h"
#include "track/track_store.h"

namespace meridel {

double IntPower(double x, int32_t n) {
  // The magnitude as unsigned: the most negative n gives 2^31.
  uint32_t m = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
  double r = 1.0;
  for (;;) {
    if (m & 1u) r *= x;
    m >>= 1;
    if (m == 0) break;
    x *= x;
  }
  return n < 0 ? 1.0 / r : r;
}

std::string BuildJosmRequest(JosmCommand command, int32_t zoom, double latitude, double longitude) {
  std::string text;
  switch (command) {
    case JosmCommand::ZoomView: {
      // A higher Zoom gives a smaller box; negate without overflow.
      const int32_t exponent = static_cast<int32_t>(0u - static_cast<uint32_t>(zoom));
      const double h = IntPower(1.2, exponent) * 0.001;
      text.reserve(128);
      text += "zoom?left=";
      AppendFixed(text, longitude - h, 8);
      text += "&right=";
      AppendFixed(text, longitude + h, 8);
      text += "&top=";
      AppendFixed(text, latitude + h, 8);
      text += "&bottom=";
      AppendFixed(text, latitude - h, 8);
      break;
    }
    case JosmCommand::AddNode:
      text += "add_node?lon=";
      AppendFixed(text, longitude, 8);
      text += "&lat=";
      AppendFixed(text, latitude, 8);
      break;
  }
  return text;
}

std::optional<std::string> JosmRequestAt(TrackStore& track, JosmCommand command, int64_t moment, int32_t zoom) {
  if (command != JosmCommand::ZoomView && command != JosmCommand::AddNode) return std::nullopt;
  double latitude = 0.0;
  double longitude = 0.0;
  if (!LookupPosition(track, LowWord(moment), latitude, longitude)) return std::nullopt;
  return BuildJosmRequest(command, zoom, latitude, longitude);
}

}  // namespace meridel
