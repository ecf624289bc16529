#include "base/calendar.h"

#include <algorithm>
#include <chrono>

namespace meridel {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  return quotient - ((value % divisor != 0) && ((value < 0) != (divisor < 0)));
}

// The range the calendar types hold exactly.
const int64_t kFirstDay = sys_days{year::min() / 1 / 1}.time_since_epoch().count();
const int64_t kLastDay = sys_days{year::max() / 12 / 31}.time_since_epoch().count();

}  // namespace

CivilTime CivilFromSeconds(int64_t seconds) {
  int64_t day = FloorDiv(seconds, kSecondsPerDay);
  // Not seconds - day * 86400, which overflows near the int64 minimum.
  int64_t secondOfDay = seconds % kSecondsPerDay;
  if (secondOfDay < 0) secondOfDay += kSecondsPerDay;
  if (day < kFirstDay) {
    day = kFirstDay;
    secondOfDay = 0;
  } else if (day > kLastDay) {
    day = kLastDay;
    secondOfDay = kSecondsPerDay - 1;
  }
  const year_month_day date{sys_days{days{day}}};
  return CivilTime{static_cast<int32_t>(static_cast<int>(date.year())),
                   static_cast<int32_t>(static_cast<unsigned>(date.month())),
                   static_cast<int32_t>(static_cast<unsigned>(date.day())),
                   static_cast<int32_t>(secondOfDay / 3600),
                   static_cast<int32_t>(secondOfDay / 60 % 60),
                   static_cast<int32_t>(secondOfDay % 60)};
}

int64_t DaysFromCivil(int64_t yearValue, int64_t month, int64_t day) {
  // Carry the month into the year first, then count days from the 1st.
  const int64_t monthIndex = month - 1;
  const int64_t carriedYear = yearValue + FloorDiv(monthIndex, 12);
  const int64_t monthOfYear = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
  const int64_t clampedYear = std::clamp<int64_t>(carriedYear, static_cast<int>(year::min()),
                                                  static_cast<int>(year::max()));
  const year_month_day first{year{static_cast<int>(clampedYear)},
                             std::chrono::month{static_cast<unsigned>(monthOfYear)}, std::chrono::day{1}};
  return sys_days{first}.time_since_epoch().count() + (day - 1);
}

}  // namespace meridel
