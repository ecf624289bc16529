// No exception may unwind into the host: every callback body runs inside
// GuardCallback, which turns anything thrown into the callback's defined result.
#pragma once

#include <cstdint>

namespace meridel {

template <class Body>
int32_t GuardCallback(int32_t resultOnFailure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return resultOnFailure;
  }
}

}  // namespace meridel
