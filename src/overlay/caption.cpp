#include "overlay/caption.h"

#include "base/calendar.h"
#include "base/number_text.h"
#include "base/wrapping.h"
#include "track/track_store.h"

namespace meridel {

std::string BuildCaption(TrackStore& track, int64_t moment, int64_t utcOffset) {
  // Track times are UTC: the offset shifts only the time shown.
  const CivilTime local = CivilFromSeconds(moment + utcOffset);
  double latitude = 0.0;
  double longitude = 0.0;
  LookupPosition(track, LowWord(moment), latitude, longitude);

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
