// Seconds since 1970-01-01T00:00:00Z to proleptic Gregorian calendar form,
// without the C runtime or the machine's time zone.
#pragma once

#include <cstdint>

namespace meridel {

struct CivilTime {
  int32_t year;
  int32_t month;   // 1-12
  int32_t day;     // 1-31
  int32_t hour;    // 0-23
  int32_t minute;  // 0-59
  int32_t second;  // 0-59
};

// Exact from year -32767 to 32767; moments beyond clamp to the nearest end.
CivilTime CivilFromSeconds(int64_t seconds);

// Days since 1970-01-01 of a (possibly out-of-range) year, month and day,
// carried like a calendar normalisation: month 13 is January of the next year,
// day 0 the last day of the previous month.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);

}  // namespace meridel
