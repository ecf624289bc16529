// What the player shows: the moment of the playback position, and what is
// due when it changes.
#pragma once

#include <cstdint>
#include <optional>

namespace meridel::mpv {

// The moment shown `timePos` seconds into a file that starts at `start`:
// the position truncated to whole seconds, plus the clock difference.
// Nothing without a position (no file, a stream without timestamps) or for
// one that has no 32-bit second (NaN, infinite, out of range).
std::optional<int64_t> PlaybackMoment(int32_t start, std::optional<double> timePos, int32_t clockDifference);

struct MomentUpdate {
  bool redraw = false;  // the caption shows another text
  bool zoom = false;    // JOSM's view goes to the new moment
};

// The moment last shown: playing, seeking and frame stepping move it many
// times a second, but the caption and JOSM only when it changes.
class MomentFollower {
 public:
  // For a new file, track or settings: the next Update draws and zooms even
  // for the moment shown last.
  void Forget() { current_ = false; }

  // What the moment now shown asks for; `sync`: JOSM follows playback.
  MomentUpdate Update(std::optional<int64_t> moment, bool sync);

  // The moment the caption shows; nothing while it shows none.
  std::optional<int64_t> Shown() const { return current_ ? shown_ : std::nullopt; }

 private:
  std::optional<int64_t> shown_;
  bool current_ = false;  // shown_ was drawn since the last Forget

};

}  // namespace meridel::mpv
