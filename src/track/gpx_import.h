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
// skipped, an optional sign, a decimal number with "." as its point, text
// after the number ignored; an underflow reads as zero. False, leaving
// `value` alone, when no finite number is read (NaN, infinity, overflow).
bool ScanCoordinate(const char* text, double& value);

enum class GpxWalk { kNoTrackPoint, kWalked };

// Appends the points of the document's first gpx/trk/trkseg whose lat and
// lon are usable, in document order; shows nothing and sets no cursor.
// Throws std::bad_alloc when the store cannot grow.
GpxWalk AppendFirstSegment(const tinyxml2::XMLDocument& document, TrackStore& store);

// Replaces the track with the file's points, sets baseTime to the first
// one's time and tells the user the outcome in one message box. Makes the
// store when start-up could not; never throws.
void ImportGpx(std::string path);

// The file-open dialog, then ImportGpx; a cancelled dialog changes nothing.
void ChooseGpxFile();

}  // namespace meridel
