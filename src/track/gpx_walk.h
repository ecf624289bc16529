// The walk over a loaded GPX document: the points of its first track segment.
#pragma once

namespace tinyxml2 {
class XMLDocument;
}

namespace meridel {

class TrackStore;

enum class GpxWalk { kNoTrackPoint, kWalked };

// Appends the points of the document's first gpx/trk/trkseg whose lat and
// lon are usable, in document order; sets no cursor. kNoTrackPoint when the
// gpx, trk, trkseg or first trkpt element is missing. Throws std::bad_alloc
// when the store cannot grow.
GpxWalk AppendFirstSegment(const tinyxml2::XMLDocument& document, TrackStore& store);

}  // namespace meridel
