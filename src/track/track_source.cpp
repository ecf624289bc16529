#include "track/track_source.h"

#include <algorithm>

#include "track/gpx_import.h"

namespace meridel {

TrackChange FollowTrackFile(TrackSource& source, const std::string& path, std::string& message) noexcept {
  try {
    if (source.path == path) return TrackChange::kNone;
    source.path = path;
    if (path.empty()) {
      source.store.Clear();
      source.baseTime = 0;
      return TrackChange::kCleared;
    }
    message = ImportGpxFile(path.c_str(), source.store, source.baseTime).text;
    std::replace(message.begin(), message.end(), '\n', ' ');
    return TrackChange::kImported;
  } catch (...) {
    // Only the strings can run out of memory; the import itself does not throw.
    source.store.Clear();
    return TrackChange::kCleared;
  }
}

}  // namespace meridel
