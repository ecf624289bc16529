#include "track/gpx_import.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <system_error>

#include "host/filter_state.h"
#include "host/overlay_settings.h"
#include "platform/platform.h"
#include "track/c_locale_space.h"
#include "track/gpx_time.h"
#include "track/track_store.h"

namespace meridel {
namespace {

constexpr const char* kLoadError = "File load error";
constexpr const char* kNoTrackPoint = "No trkpt in GPX file";
constexpr uint32_t kMbOk = 0;

constexpr uint32_t kOpenFileDialogSize = 88;  // OPENFILENAMEA
constexpr uint32_t kPathBufferSize = 260;
constexpr uint32_t kFileMustExist = 0x1000;  // OFN_FILEMUSTEXIST
// Description, NUL, pattern, NUL, and the list's closing NUL.
constexpr char kGpxFilter[] = "GPX files (*.gpx)\0*.gpx\0";

// Whether a decimal number too large or too small for a double lies below 1:
// then it underflows and reads as zero, as scanf reads it, rather than
// overflowing. `number` is the unsigned text that from_chars took.
bool IsBelowOne(std::string_view number) {
  const size_t exponentMark = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentMark);
  int64_t exponent = 0;
  if (exponentMark != std::string_view::npos) {
    std::string_view digits = number.substr(exponentMark + 1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
    // Saturate: any exponent beyond a billion decides the outcome alone.
    for (const char digit : digits) exponent = std::min<int64_t>(exponent * 10 + (digit - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  const size_t firstSignificant = mantissa.find_first_of("123456789");
  if (firstSignificant == std::string_view::npos) return true;
  const size_t point = mantissa.find('.');
  const int64_t integerDigits = static_cast<int64_t>(point == std::string_view::npos ? mantissa.size() : point);
  const int64_t position = static_cast<int64_t>(firstSignificant);
  // The power of ten of the first significant digit.
  const int64_t leading = position < integerDigits ? integerDigits - position - 1 : integerDigits - position;
  return leading + exponent < 0;
}

bool ScanAttribute(const tinyxml2::XMLElement& point, const char* name, double& value) {
  const char* text = point.Attribute(name);
  return text && ScanCoordinate(text, value);
}

int32_t TrackPointTime(const tinyxml2::XMLElement& point) {
  const tinyxml2::XMLElement* time = point.FirstChildElement("time");
  const char* text = time ? time->GetText() : nullptr;
  // A point without a time text is kept with the time that cannot be converted.
  return text ? ParseGpxTime(text) : -1;
}

void ShowImportMessage(const char* text) { platform::ShowMessageBox(nullptr, text, "", kMbOk); }

// Loads the file and walks it; returns the message for the user. The
// document is released before the message is shown, so its memory is not
// held while the box is open.
const char* ReadGpxFile(const char* path, TrackStore& store, char (&summary)[64]) {
  tinyxml2::XMLDocument document;
  if (document.LoadFile(path) != tinyxml2::XML_SUCCESS) return kLoadError;
  if (AppendFirstSegment(document, store) == GpxWalk::kNoTrackPoint) return kNoTrackPoint;
  if (store.Count() != 0) {
    store.SetCursorToFirst();
    overlaySettings.baseTime = store.First().time;
  }
  constexpr std::string_view kHead = "Read complete.\n";
  constexpr std::string_view kTail = " points were imported.";
  char* out = std::copy(kHead.begin(), kHead.end(), summary);
  out = std::to_chars(out, summary + sizeof summary, store.Count()).ptr;
  out = std::copy(kTail.begin(), kTail.end(), out);
  *out = '\0';
  return summary;
}

// Never throws: the import runs inside the host's window callback.
void ImportGpxFile(const char* path) {
  try {
    // Start-up could not make the store: make it now so that the user's file is read.
    if (!filterState.trackStore) filterState.trackStore = CreateTrackStore();
    TrackStore* const store = filterState.trackStore;
    if (!store) {
      ShowImportMessage(kLoadError);
      return;
    }
    store->Clear();
    char summary[64];
    ShowImportMessage(ReadGpxFile(path, *store, summary));
  } catch (...) {
    // Out of memory while loading or appending: drop the partial track
    // rather than present part of the file as all of it.
    if (filterState.trackStore) filterState.trackStore->Clear();
    try {
      ShowImportMessage(kLoadError);
    } catch (...) {
    }
  }
}

}  // namespace

bool ScanCoordinate(const char* text, double& value) {
  const char* const end = text + std::strlen(text);
  const char* first = text;
  while (first != end && IsCLocaleSpace(*first)) ++first;
  // from_chars takes a "-" but no "+"; scanf takes either, but not both.
  if (first != end && *first == '+') {
    ++first;
    if (first != end && *first == '-') return false;
  }
  double scanned = 0.0;
  const std::from_chars_result result = std::from_chars(first, end, scanned);
  if (result.ec == std::errc::result_out_of_range) {
    const bool negative = *first == '-';
    if (!IsBelowOne(std::string_view(first + negative, result.ptr))) return false;
    scanned = negative ? -0.0 : 0.0;
  } else if (result.ec != std::errc{}) {
    return false;
  }
  // NaN and infinity would reach the captions and the map editor's requests.
  if (!std::isfinite(scanned)) return false;
  value = scanned;
  return true;
}

GpxWalk AppendFirstSegment(const tinyxml2::XMLDocument& document, TrackStore& store) {
  const tinyxml2::XMLElement* gpx = document.FirstChildElement("gpx");
  const tinyxml2::XMLElement* track = gpx ? gpx->FirstChildElement("trk") : nullptr;
  const tinyxml2::XMLElement* segment = track ? track->FirstChildElement("trkseg") : nullptr;
  const tinyxml2::XMLElement* point = segment ? segment->FirstChildElement("trkpt") : nullptr;
  if (!point) return GpxWalk::kNoTrackPoint;
  for (; point; point = point->NextSiblingElement("trkpt")) {
    double longitude = 0.0;
    double latitude = 0.0;
    const bool longitudeUsable = ScanAttribute(*point, "lon", longitude);
    const bool latitudeUsable = ScanAttribute(*point, "lat", latitude);
    const int32_t time = TrackPointTime(*point);
    if (longitudeUsable && latitudeUsable) store.Append(TrackPoint{latitude, longitude, time});
  }
  return GpxWalk::kWalked;
}

void ImportGpx(std::string path) { ImportGpxFile(path.c_str()); }

void ChooseGpxFile() {
  char path[kPathBufferSize] = {};
  platform::OpenFileDialog dialog{};
  dialog.structSize = kOpenFileDialogSize;
  dialog.owner = nullptr;
  dialog.filter = kGpxFilter;
  dialog.filterIndex = 0;
  dialog.fileBuffer = path;
  dialog.bufferSize = kPathBufferSize;
  dialog.flags = kFileMustExist;
  if (platform::RunOpenFileDialog(dialog) == 0) return;
  path[kPathBufferSize - 1] = '\0';  // the path is what precedes the first NUL
  ImportGpxFile(path);
}

}  // namespace meridel
