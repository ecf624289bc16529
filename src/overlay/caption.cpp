#include "overlay/caption.h"

#include "base/calendar.h"
#include "base/number_text.h"
#include "base/wrapping.h"
#include "track/track_store.h"

namespace meridel {

void AppendDateTime(std::string& out, int64_t seconds) {
  const CivilTime t = CivilFromSeconds(seconds);
  AppendDecimal(out, t.year);
  out += '-';
  AppendDecimal(out, t.month, 2);
  out += '-';
  AppendDecimal(out, t.day, 2);
  out += ' ';
  AppendDecimal(out, t.hour, 2);
  out += ':';
  AppendDecimal(out, t.minute, 2);
  out += ':';
  AppendDecimal(out, t.second, 2);
}

std::string BuildCaption(TrackStore& track, int64_t moment, int64_t utcOffset) {
  double latitude = 0.0;
  double longitude = 0.0;
  LookupPosition(track, LowWord(moment), latitude, longitude);

  std::string text;
  text.reserve(64);
  // Track times are UTC: the offset shifts only the time shown.
  AppendDateTime(text, moment + utcOffset);
  text += '\n';
  AppendFixed(text, latitude, 8);
  text += ' ';
  AppendFixed(text, longitude, 8);
  return text;
}

}  // namespace meridel
