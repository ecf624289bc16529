// The import's reading of a GPX document over any bytes: tinyxml2 parses
// them from memory, AppendFirstSegment walks the first segment into a track
// store, and a few lookups run over what it took. The points must be those a
// plain walk over every child node finds, in order.
#include <tinyxml2.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "support/track_files.h"
#include "track/coordinate_scan.h"
#include "track/gpx_time.h"
#include "track/gpx_walk.h"
#include "track/track_store.h"

namespace {

const tinyxml2::XMLElement* FirstNamedChild(const tinyxml2::XMLNode* parent, const char* name) {
  if (!parent) return nullptr;
  for (const tinyxml2::XMLNode* node = parent->FirstChild(); node; node = node->NextSibling()) {
    const tinyxml2::XMLElement* element = node->ToElement();
    if (element && std::strcmp(element->Name(), name) == 0) return element;
  }
  return nullptr;
}

struct Expected {
  bool found = false;
  std::vector<meridel::TrackPoint> points;
};

Expected ReferenceWalk(const tinyxml2::XMLDocument& document) {
  Expected expected;
  const tinyxml2::XMLElement* segment =
      FirstNamedChild(FirstNamedChild(FirstNamedChild(&document, "gpx"), "trk"), "trkseg");
  if (!segment) return expected;
  for (const tinyxml2::XMLNode* node = segment->FirstChild(); node; node = node->NextSibling()) {
    const tinyxml2::XMLElement* point = node->ToElement();
    if (!point || std::strcmp(point->Name(), "trkpt") != 0) continue;
    expected.found = true;
    const char* latitudeText = point->Attribute("lat");
    const char* longitudeText = point->Attribute("lon");
    meridel::TrackPoint taken{};
    if (!latitudeText || !longitudeText || !meridel::ScanCoordinate(latitudeText, taken.latitude) ||
        !meridel::ScanCoordinate(longitudeText, taken.longitude))
      continue;
    const tinyxml2::XMLElement* time = FirstNamedChild(point, "time");
    const char* timeText = time ? time->GetText() : nullptr;
    taken.time = timeText ? meridel::ParseGpxTime(timeText) : -1;
    expected.points.push_back(taken);
  }
  return expected;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tinyxml2::XMLDocument document;
  if (document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) return 0;

  meridel::TrackStore store;
  const meridel::GpxWalk walk = meridel::AppendFirstSegment(document, store);
  const Expected expected = ReferenceWalk(document);
  fuzz::Require((walk == meridel::GpxWalk::kWalked) == expected.found, "a first trkpt is found exactly when there is one");
  const std::vector<meridel::TrackPoint> points = meridel::TrackStoreInspector::Points(store);
  fuzz::Require(points.size() == expected.points.size(), "every usable point and no other is taken");
  for (size_t i = 0; i < points.size(); ++i) {
    const meridel::TrackPoint& got = points[i];
    const meridel::TrackPoint& want = expected.points[i];
    fuzz::Require(SameBits(got.latitude, want.latitude) && SameBits(got.longitude, want.longitude) &&
                      got.time == want.time,
                  "points are taken in document order with their own values");
    fuzz::Require(std::isfinite(got.latitude) && std::isfinite(got.longitude), "coordinates are finite");
  }
  if (points.empty()) return 0;

  // The lookups the frames of a video over this track would make.
  store.SetCursorToFirst();
  const int32_t first = points.front().time;
  const int32_t last = points.back().time;
  for (const int32_t moment : {first, first + (first < INT32_MAX), last, INT32_MIN, INT32_MAX, first}) {
    double latitude = 1.0;
    double longitude = 1.0;
    fuzz::Require(meridel::LookupPosition(store, moment, latitude, longitude), "a filled store answers");
    fuzz::Require(meridel::TrackStoreInspector::CursorIndex(store) < points.size(), "the cursor stays on a point");
  }
  return 0;
}
