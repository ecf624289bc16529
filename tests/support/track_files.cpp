#include "support/track_files.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace test_support {

TempFile::TempFile(std::string_view contents) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string name = "meridel-track-" + std::to_string(stamp) + "-" + std::to_string(counter++) + ".gpx";
  path_ = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path_, std::ios::binary).write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

TempFile::~TempFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string GpxWithSegment(std::string_view segmentContents) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<gpx version=\"1.1\" creator=\"test\">\n"
             "<trk><name>t</name><trkseg>\n") +
         std::string(segmentContents) + "</trkseg></trk></gpx>\n";
}

}  // namespace test_support

namespace meridel {

std::vector<TrackPoint> TrackStoreInspector::Points(const TrackStore& store) {
  return {store.points_.begin(), store.points_.end()};
}

size_t TrackStoreInspector::CursorIndex(const TrackStore& store) {
  return static_cast<size_t>(std::distance(store.points_.begin(), TrackStore::Points::const_iterator(store.cursor_)));
}

void TrackStoreInspector::PlaceCursor(TrackStore& store, size_t index) {
  store.cursor_ = std::next(store.points_.begin(), static_cast<std::ptrdiff_t>(index));
}

}  // namespace meridel
