#include "overlay/source_span.h"

#include "base/number_text.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/start_rule.h"
#include "track/track_store.h"

namespace meridel {

MomentSpan SourceMoments(int32_t startTime, int64_t frameCount, int32_t rateNum, int32_t rateDen,
                         int32_t clockDifference) {
  return {FrameMoment(startTime, 0, clockDifference),
          FrameMoment(startTime, SecondsIntoSource(frameCount - 1, rateNum, rateDen), clockDifference)};
}

std::optional<TrackTimes> TrackTimesOf(const TrackStore& track) {
  if (track.Count() == 0) return std::nullopt;
  return TrackTimes{track.First().time, track.Last().time};
}

SpanPlacement PlaceOnTrack(MomentSpan span, TrackTimes track) {
  SpanPlacement placement;
  if (span.first < track.first) placement.before = track.first - span.first;
  if (span.last > track.last) placement.after = span.last - track.last;
  placement.wholly = span.last < track.first || span.first > track.last;
  return placement;
}

std::string SpanText(MomentSpan span) {
  std::string text;
  AppendDateTime(text, span.first);
  text += " to ";
  std::string last;
  AppendDateTime(last, span.last);
  // "YYYY-MM-DD " is 11 characters.
  text += last.compare(0, 11, text, 0, 11) == 0 ? last.substr(11) : last;
  text += " UTC";
  return text;
}

std::string PlacementText(SpanPlacement placement, MomentSpan span, TrackTimes track) {
  if (placement.wholly && span.last < track.first) {
    return "wholly before the track: it ends " + DurationText(track.first - span.last) +
           " before the track's first point (" + UtcText(track.first) + " UTC)";
  }
  if (placement.wholly) {
    return "wholly after the track: it starts " + DurationText(span.first - track.last) +
           " after the track's last point (" + UtcText(track.last) + " UTC)";
  }
  if (placement.before > 0 && placement.after > 0) {
    return "starting " + DurationText(placement.before) + " before and ending " + DurationText(placement.after) +
           " after the track";
  }
  if (placement.before > 0) return "starting " + DurationText(placement.before) + " before the track";
  if (placement.after > 0) return "ending " + DurationText(placement.after) + " after the track";
  return "inside the track";
}

std::optional<int32_t> ZoneShiftIntoTrack(MomentSpan span, TrackTimes track) {
  constexpr int32_t kMost = 14 * 3600;
  for (const int32_t step : {3600, 15 * 60}) {
    std::optional<int32_t> found;
    int fits = 0;
    for (int32_t shift = -kMost; shift <= kMost; shift += step) {
      // No time zone lies within an hour of UTC but UTC itself.
      if ((shift >= 3600 || shift <= -3600) && span.first + shift >= track.first && span.last + shift <= track.last) {
        found = shift;
        ++fits;
      }
    }
    if (fits == 1) return found;
    if (fits > 1) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace meridel
