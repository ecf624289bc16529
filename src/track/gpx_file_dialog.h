// The "GPS file" button: the file dialog, the import and its message box.
#pragma once

#include <cstdint>
#include <string>

namespace meridel {

class TrackStore;

// ImportGpxFile, then its message in a box with no owner, an empty caption
// and an OK button, once the store and baseTime are final.
void ImportGpx(std::string path, TrackStore& store, int32_t& baseTime);

// The file-open dialog for one existing *.gpx file, then ImportGpx; a
// cancelled dialog changes nothing.
void ChooseGpxFile(TrackStore& store, int32_t& baseTime);

}  // namespace meridel
