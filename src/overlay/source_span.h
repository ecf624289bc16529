// The moments a source's frames show and where they fall on the track: what
// a host says of a clip before it renders, so that a clip the track does not
// cover is noticed before a long run rather than after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace meridel {

class TrackStore;

// The moments of a source's first and last frames, in UTC seconds, as the
// caption computes them (FrameOffset, then FrameMoment).
struct MomentSpan {
  int64_t first;
  int64_t last;
};

// `frameCount` frames at rateNum/rateDen frames a second (all above 0), the
// first shot at `startTime`.
MomentSpan SourceMoments(int32_t startTime, int64_t frameCount, int32_t rateNum, int32_t rateDen,
                         int32_t clockDifference);

// The times of the track's first and last points: the ends where the
// lookup holds the position. Nothing for an empty track.
struct TrackTimes {
  int32_t first;
  int32_t last;
};
std::optional<TrackTimes> TrackTimesOf(const TrackStore& track);

// How many seconds of the span lie before the track's first point and after
// its last one. A span wholly outside has one of them beyond its length.
struct SpanPlacement {
  int64_t before = 0;
  int64_t after = 0;
  bool wholly = false;  // no moment of the span lies inside the track

  bool AnyMomentOutside() const { return before > 0 || after > 0; }  // wholly or in part
};
SpanPlacement PlaceOnTrack(MomentSpan span, TrackTimes track);

// "2023-06-17 07:30:00 to 07:42:13 UTC"; the second date is written when it
// differs from the first.
std::string SpanText(MomentSpan span);

// "inside the track", "starting 1 min 05 s before the track",
// "ending 12 s after the track", "wholly after the track, 3 h 05 min 00 s
// after its last point"...
std::string PlacementText(SpanPlacement placement, MomentSpan span, TrackTimes track);

// For a span outside the track: the one shift of a time zone (whole hours
// from 1 to 14 either way, else the one of whole quarter hours) that puts the
// whole span inside the track; nothing when none does, or several. Cameras
// whose clock is set to local time write it as their clips' UTC creation
// time: the shift is then minus the zone's offset, which users add to the
// clock difference.
std::optional<int32_t> ZoneShiftIntoTrack(MomentSpan span, TrackTimes track);

}  // namespace meridel
