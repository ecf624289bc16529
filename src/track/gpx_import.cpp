#include "track/gpx_import.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "track/gpx_walk.h"
#include "track/track_store.h"

namespace meridel {
namespace {

constexpr std::string_view kLoadError = "File load error";
constexpr std::string_view kNoTrackPoint = "No trkpt in GPX file";

ImportMessage Message(std::string_view text) {
  ImportMessage message{};
  std::copy(text.begin(), text.end(), message.text);
  return message;
}

ImportMessage Summary(uint32_t count) {
  constexpr std::string_view kHead = "Read complete.\n";
  constexpr std::string_view kTail = " points were imported.";
  ImportMessage message{};
  char* out = std::copy(kHead.begin(), kHead.end(), message.text);
  out = std::to_chars(out, std::end(message.text), count).ptr;
  std::copy(kTail.begin(), kTail.end(), out);
  return message;
}

// The document lives only inside this call, so its memory is released
// before the caller shows the message.
ImportMessage ReadGpxFile(const char* path, TrackStore& store, int32_t& baseTime) {
  tinyxml2::XMLDocument document;
  if (document.LoadFile(path) != tinyxml2::XML_SUCCESS) return Message(kLoadError);
  if (AppendFirstSegment(document, store) == GpxWalk::kNoTrackPoint) return Message(kNoTrackPoint);
  if (store.Count() != 0) {
    store.SetCursorToFirst();
    baseTime = store.First().time;
  }
  return Summary(store.Count());
}

}  // namespace

ImportMessage ImportGpxFile(const char* path, TrackStore& store, int32_t& baseTime) noexcept {
  store.Clear();
  try {
    return ReadGpxFile(path, store, baseTime);
  } catch (...) {
    // Out of memory while loading or appending: drop the partial track
    // rather than present part of the file as all of it.
    store.Clear();
    return Message(kLoadError);
  }
}

}  // namespace meridel
