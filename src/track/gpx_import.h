// The GPX import: a file's first track segment into a track store, with the
// one message that tells the user the outcome.
#pragma once

#include <cstdint>

namespace meridel {

class TrackStore;

// "File load error", "No trkpt in GPX file" or "Read complete.\n<count>
// points were imported.", NUL-terminated.
struct ImportMessage {
  char text[64];
};

// Replaces the store's points with the usable points of the file's first
// track segment and returns the message for the user. When at least one
// point was read, the cursor stands on the first and `baseTime` becomes its
// time; otherwise `baseTime` is left alone. Never throws: out of memory
// empties the store and gives "File load error".
ImportMessage ImportGpxFile(const char* path, TrackStore& store, int32_t& baseTime) noexcept;

}  // namespace meridel
