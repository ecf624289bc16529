// ParseGpxTime over any bytes, against a reference written from the reading
// rules: each slice read by a real formatted stream read in the classic
// locale, the calendar counted day by day. A moment it returns must also
// come back from its own calendar text.
#include <cstdint>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "base/calendar.h"
#include "track/gpx_time.h"

namespace {

int ReadLikeAStream(std::string_view slice) {
  std::istringstream stream{std::string(slice)};
  stream.imbue(std::locale::classic());
  int value = 0;
  stream >> value;
  return stream.fail() ? 0 : value;
}

bool IsLeap(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01 to the 1st of a month of the years 1969 to 2039.
int64_t DaysToMonth(int64_t year, int month) {
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int64_t days = 0;
  for (int64_t y = 1970; y < year; ++y) days += IsLeap(y) ? 366 : 365;
  for (int64_t y = year; y < 1970; ++y) days -= IsLeap(y) ? 366 : 365;
  for (int m = 0; m < month; ++m) days += kMonthDays[m] + (m == 1 && IsLeap(year));
  return days;
}

int32_t ReferenceTime(std::string_view text) {
  constexpr int kWidths[] = {4, 2, 2, 2, 2, 2};
  constexpr char kSeparators[] = {'-', '-', 'T', ':', ':'};
  int fields[6] = {};
  for (int step = 0; step < 6; ++step) {
    const size_t width = static_cast<size_t>(kWidths[step]);
    if (text.size() < width) return -1;
    fields[step] = ReadLikeAStream(text.substr(0, width));
    text.remove_prefix(width);
    if (step < 5 && !text.empty() && text.front() == kSeparators[step]) text.remove_prefix(1);
  }
  const int64_t year = fields[0];
  const int64_t monthIndex = fields[1] - 1;
  const int64_t carriedYear = year + (monthIndex >= 0 ? monthIndex / 12 : -((11 - monthIndex) / 12));
  if (year < 1969 || year > 2039 || carriedYear < 1969 || carriedYear > 2039) return -1;
  const int month = static_cast<int>(monthIndex - (carriedYear - year) * 12);
  const int64_t days = DaysToMonth(carriedYear, month) + fields[2] - 1;
  const int64_t seconds = days * 86400 + int64_t{fields[3]} * 3600 + int64_t{fields[4]} * 60 + fields[5];
  if (seconds < -43200 || seconds > INT32_MAX) return -1;
  return static_cast<int32_t>(seconds);
}

std::string TwoDigits(int value) { return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t seconds = meridel::ParseGpxTime(text);
  fuzz::Require(seconds == ReferenceTime(text), "ParseGpxTime agrees with the reference");
  if (seconds != -1) {
    const meridel::CivilTime civil = meridel::CivilFromSeconds(seconds);
    const std::string written = std::to_string(civil.year) + "-" + TwoDigits(civil.month) + "-" +
                                TwoDigits(civil.day) + "T" + TwoDigits(civil.hour) + ":" + TwoDigits(civil.minute) +
                                ":" + TwoDigits(civil.second) + "Z";
    fuzz::Require(meridel::ParseGpxTime(written) == seconds, "a moment reads back from its own text");
  }
  return 0;
}
