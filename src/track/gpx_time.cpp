#include "track/gpx_time.h"

#include <limits>

#include "base/calendar.h"
#include "base/c_locale_space.h"

namespace meridel {
namespace {

struct Field {
  int width;
  int adjustment;
  char separator;  // dropped when it follows the field
};

// Year, month, day, hour, minute, second. Nothing after the seconds is read:
// a fraction, a "Z" or a numeric offset is ignored, so every time is UTC.
constexpr Field kFields[] = {{4, -1900, '-'}, {2, -1, '-'}, {2, 0, 'T'}, {2, 0, ':'}, {2, 0, ':'}, {2, 0, '\0'}};

// Reads an integer the way a formatted stream read does: white space, an
// optional sign, then digits up to the first other character. A slice with
// no digit reads as 0.
int ReadSliceInteger(std::string_view slice) {
  size_t i = 0;
  while (i < slice.size() && IsCLocaleSpace(slice[i])) ++i;
  bool negative = false;
  if (i < slice.size() && (slice[i] == '+' || slice[i] == '-')) negative = slice[i++] == '-';
  int value = 0;
  for (; i < slice.size() && slice[i] >= '0' && slice[i] <= '9'; ++i) value = value * 10 + (slice[i] - '0');
  return negative ? -value : value;
}

constexpr int64_t kFirstMoment = -43200;  // 1969-12-31T12:00:00Z
constexpr int64_t kLastMoment = std::numeric_limits<int32_t>::max();
constexpr int kFirstYear = 1969;
constexpr int kLastYear = 2039;

}  // namespace

int32_t ParseGpxTime(std::string_view text) {
  int values[6] = {};  // years since 1900, months since January, day, hour, minute, second
  for (int step = 0; step < 6; ++step) {
    const Field& field = kFields[step];
    if (text.size() < static_cast<size_t>(field.width)) return -1;
    values[step] = ReadSliceInteger(text.substr(0, field.width)) + field.adjustment;
    text.remove_prefix(field.width);
    if (!text.empty() && text.front() == field.separator) text.remove_prefix(1);
  }

  const int year = 1900 + values[0];
  const int monthIndex = values[1];
  // The year must lie in range both as read and once the month is carried.
  const int carriedYear = year + (monthIndex >= 0 ? monthIndex / 12 : -((11 - monthIndex) / 12));
  if (year < kFirstYear || year > kLastYear || carriedYear < kFirstYear || carriedYear > kLastYear) return -1;

  const int64_t days = DaysFromCivil(year, monthIndex + 1, values[2]);
  const int64_t seconds = days * 86400 + int64_t{values[3]} * 3600 + int64_t{values[4]} * 60 + values[5];
  if (seconds < kFirstMoment || seconds > kLastMoment) return -1;
  return static_cast<int32_t>(seconds);
}

}  // namespace meridel
