#include "track/gpx_import.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/platform.h"
#include "track/gpx_walk.h"
#include "track/track_store.h"

namespace meridel {
namespace {

constexpr std::string_view kLoadError = "File load error";
constexpr std::string_view kNoTrackPoint = "No trkpt in GPX file";
// Description, NUL, pattern, NUL, and the list's closing NUL.
constexpr char kGpxFilter[] = "GPX files (*.gpx)\0*.gpx\0";

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

void ImportAndTell(const char* path, TrackStore& store, int32_t& baseTime) {
  const ImportMessage message = ImportGpxFile(path, store, baseTime);
  platform::ShowMessageBox(nullptr, message.text, "", platform::kMessageBoxOk);
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

void ImportGpx(std::string path, TrackStore& store, int32_t& baseTime) { ImportAndTell(path.c_str(), store, baseTime); }

void ChooseGpxFile(TrackStore& store, int32_t& baseTime) {
  char path[platform::kPathBufferSize] = {};
  platform::OpenFileDialog dialog{
      .structSize = platform::kOpenFileDialogSize,
      .owner = nullptr,
      .filter = kGpxFilter,
      .filterIndex = 0,
      .fileBuffer = path,
      .bufferSize = platform::kPathBufferSize,
      .flags = platform::kOpenFileMustExist,
  };
  if (platform::RunOpenFileDialog(dialog) == 0) return;
  path[platform::kPathBufferSize - 1] = '\0';  // the path is what precedes the first NUL
  ImportAndTell(path, store, baseTime);
}

}  // namespace meridel
