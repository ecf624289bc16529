// Where JOSM's remote control listens: every host reaches it there, and
// texts for users name it.
#pragma once

#include <cstdint>
#include <string>

#include "base/number_text.h"

namespace meridel {

inline constexpr const char* kJosmServer = "127.0.0.1";
inline constexpr uint16_t kJosmPort = 8111;

// "127.0.0.1:8111".
inline std::string JosmAddressText() {
  std::string text = kJosmServer;
  text += ':';
  AppendDecimal(text, kJosmPort);
  return text;
}

}  // namespace meridel
