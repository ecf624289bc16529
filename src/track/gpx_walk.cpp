#include "track/gpx_walk.h"

#include <tinyxml2.h>

#include <cstdint>

#include "track/coordinate_scan.h"
#include "track/gpx_time.h"
#include "track/track_store.h"

namespace meridel {
namespace {

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

}  // namespace

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

}  // namespace meridel
