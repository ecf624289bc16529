// The two-line caption drawn onto a frame, and how it is drawn.
#pragma once

#include <cstdint>
#include <string>

namespace meridel {

class TrackStore;

// "YYYY-MM-DD hh:mm:ss\n<lat> <lon>": the local date and time of
// `moment` + `utcOffset`, and the position the track gives at `moment`
// (0 and 0 without a track), looked up at its low 32 bits. Moves the
// track's cursor.
std::string BuildCaption(TrackStore& track, int64_t moment, int64_t utcOffset);

// "YYYY-MM-DD hh:mm:ss" of the seconds' calendar form, as the caption shows it.
void AppendDateTime(std::string& out, int64_t seconds);

// A one-pixel border: the caption drawn four times shifted by one pixel in
// the border colour, then once in place in the text colour, on top.
struct CaptionPass {
  int32_t dx;
  int32_t dy;
  bool border;
};

inline constexpr CaptionPass kCaptionPasses[] = {
    {0, -1, true}, {0, 1, true}, {-1, 0, true}, {1, 0, true}, {0, 0, false},
};

}  // namespace meridel
