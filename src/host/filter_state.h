// The module's runtime state: one instance per process, all zero at load,
// never persisted.
#pragma once

#include <cstdint>

namespace meridel {

class TrackStore;

struct FilterState {
  int32_t fontCreated;      // the frame callback has made the caption font
  void* fontHandle;         // the cached caption font, owned by the module
  double framesPerSecond;   // source rate / scale; 0 until a source is opened
  TrackStore* trackStore;   // created at start-up, released at exit
  void* sessionHandle;      // HTTP client session: first request to exit
};

extern FilterState filterState;

}  // namespace meridel
