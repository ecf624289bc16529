// The "GPS file" button: the file dialog and the import of the first track
// segment of a GPX file into the track store.
#pragma once

#include <cstdint>
#include <string>

namespace tinyxml2 {
class XMLDocument;
}

namespace meridel {

class TrackStore;

// "%lf"-style scan, independent of the process locale: leading white space
// skipped, text after the number ignored. False when no finite number is read.
bool ScanCoordinate(const char* text, double& value);

enum class GpxWalk { kNoTrackPoint, kWalked };

// Appends the usable points of the document's first gpx/trk/trkseg to the store.
GpxWalk AppendFirstSegment(const tinyxml2::XMLDocument& document, TrackStore& store);

void ImportGpx(std::string path);
void ChooseGpxFile();

}  // namespace meridel
