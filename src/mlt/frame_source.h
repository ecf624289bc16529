// What a frame's source file says of itself: its name for messages, and the
// creation time its container records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

extern "C" {
#include <framework/mlt_frame.h>
}

namespace meridel::mlt {

struct FrameSource {
  std::string name;  // the producer's resource (a file's path), or its service's name
  // UTC seconds of the container's creation time; nothing when it records
  // none that reads as a time.
  std::optional<int32_t> creationTime;
  bool blank = false;  // a gap of a playlist: no source at all
};

// The source of the frame: the producer that made it, through any cut of a
// playlist or track. The creation time is the container's tag (avformat's
// meta.attr.creation_time.markup), else the video stream's; never the
// file's modification time, which a copy changes.
FrameSource SourceOf(mlt_frame frame);

}  // namespace meridel::mlt
