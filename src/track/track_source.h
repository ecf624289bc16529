// The track a filter instance shows, imported again whenever the file the
// user chose changes: what the Linux hosts share of the GPX import.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "track/track_store.h"

namespace meridel {

struct TrackSource {
  TrackStore store;
  int32_t baseTime = 0;              // the imported track's first point's time
  std::optional<std::string> path;  // the file the store was last imported from; none before the first
};

enum class TrackChange {
  kNone,      // the same file as before: nothing read
  kCleared,   // no file chosen: the store is empty
  kImported,  // the file was read; `message` holds the import's words
};

// Imports `path` when it differs from the file imported last. On kImported
// `message` is the import's text on one line ("Read complete. 42 points
// were imported.", "No trkpt in GPX file", "File load error"); a failed
// import keeps the base time before, as the DLL does. Never throws.
TrackChange FollowTrackFile(TrackSource& source, const std::string& path, std::string& message) noexcept;

}  // namespace meridel
