// Helpers for tests of the track data: temporary files for GPX fixtures, and
// a look inside the track store (its points and its cursor).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "track/track_store.h"

namespace test_support {

// A file in the system's temporary directory, removed with the object.
class TempFile {
 public:
  explicit TempFile(std::string_view contents);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A GPX 1.1 document whose first track segment holds `segmentContents`.
std::string GpxWithSegment(std::string_view segmentContents);

}  // namespace test_support

namespace meridel {

struct TrackStoreInspector {
  static std::vector<TrackPoint> Points(const TrackStore& store);
  static size_t CursorIndex(const TrackStore& store);
  static void PlaceCursor(TrackStore& store, size_t index);
};

}  // namespace meridel
