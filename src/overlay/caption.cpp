#include "overlay/caption.h"

#include <climits>

#include "host/filter_state.h"
#include "host/filter_table.h"
#include "host/overlay_settings.h"
#include "overlay/calendar.h"
#include "overlay/number_text.h"
#include "overlay/wrapping.h"
#include "track/track_store.h"

namespace meridel {
namespace {

// Seconds from the start of the source, truncated toward zero. A quotient
// with no 32-bit value (no source opened yet: a rate of 0) gives INT32_MIN.
int32_t FrameOffset(int32_t frame, double framesPerSecond) {
  const double seconds = static_cast<double>(frame) / framesPerSecond;
  // Written so that NaN fails the test as well.
  if (!(seconds > -2147483649.0 && seconds < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(seconds);
}

int32_t ClockDifference(const int32_t* trackValues) {
  const int32_t minutes = AddWrapping(MultiplyWrapping(trackValues[kTrackDiffH], 60), trackValues[kTrackDiffM]);
  return AddWrapping(MultiplyWrapping(minutes, 60), trackValues[kTrackDiffS]);
}

// Shifts only what the caption shows: track times are UTC.
int64_t UtcOffset(const int32_t* trackValues) {
  return int64_t{MultiplyWrapping(trackValues[kTrackUtcH], 3600)} +
         int64_t{MultiplyWrapping(trackValues[kTrackUtcM], 60)};
}

}  // namespace

int64_t FrameMoment(const HostFilter& filter, int32_t frame) {
  // The base time and the offset add up with the width of track times.
  const int32_t sourceMoment =
      AddWrapping(overlaySettings.baseTime, FrameOffset(frame, filterState.framesPerSecond));
  return int64_t{sourceMoment} + int64_t{ClockDifference(filter.trackValues)};
}

std::string BuildCaption(const HostFilter& filter, const FrameProcInfo& frame) {
  const int64_t moment = FrameMoment(filter, frame.frame);
  const CivilTime local = CivilFromSeconds(moment + UtcOffset(filter.trackValues));
  double latitude = 0.0;
  double longitude = 0.0;
  LookupPosition(filterState.trackStore, LowWord(moment), latitude, longitude);

  std::string text;
  text.reserve(64);
  AppendDecimal(text, local.year);
  text += '-';
  AppendDecimal(text, local.month, 2);
  text += '-';
  AppendDecimal(text, local.day, 2);
  text += ' ';
  AppendDecimal(text, local.hour, 2);
  text += ':';
  AppendDecimal(text, local.minute, 2);
  text += ':';
  AppendDecimal(text, local.second, 2);
  text += '\n';
  AppendFixed8(text, latitude);
  text += ' ';
  AppendFixed8(text, longitude);
  return text;
}

}  // namespace meridel
