#include "josm/josm_request.h"

#include "base/number_text.h"

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

}  // namespace meridel
