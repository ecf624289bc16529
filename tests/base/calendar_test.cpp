#include "base/calendar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using meridel::CivilFromSeconds;
using meridel::CivilTime;

namespace {

struct Date {
  int64_t year;
  int64_t month;
  int64_t day;
};

// Days since 1970-01-01 to a proleptic Gregorian date by plain arithmetic over
// 400-year eras, independent of the calendar types under test.
Date ReferenceCivilFromDays(int64_t days) {
  const int64_t shifted = days + 719468;  // from 0000-03-01
  const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t marchMonth = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * marchMonth + 2) / 5 + 1;
  const int64_t month = marchMonth < 10 ? marchMonth + 3 : marchMonth - 9;
  return {yearOfEra + era * 400 + (month <= 2), month, day};
}

void ExpectMatchesReference(int64_t seconds) {
  const int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const int64_t secondOfDay = seconds - days * 86400;
  const Date date = ReferenceCivilFromDays(days);
  const CivilTime civil = CivilFromSeconds(seconds);
  ASSERT_EQ(civil.year, date.year) << seconds;
  ASSERT_EQ(civil.month, date.month) << seconds;
  ASSERT_EQ(civil.day, date.day) << seconds;
  ASSERT_EQ(civil.hour, secondOfDay / 3600) << seconds;
  ASSERT_EQ(civil.minute, secondOfDay / 60 % 60) << seconds;
  ASSERT_EQ(civil.second, secondOfDay % 60) << seconds;
}

}  // namespace

TEST(Calendar, MatchesReferenceForEveryDayOfTheRequiredRange) {
  // 12 hours before the epoch to 3001-01-01 20:59:59, a different time of day each day.
  const int64_t first = -43200;
  const int64_t last = 32535291599;
  ExpectMatchesReference(first);
  ExpectMatchesReference(last);
  for (int64_t day = -1; day <= last / 86400; ++day) {
    ExpectMatchesReference(day * 86400 + day * 7919 % 86400);
  }
}

TEST(Calendar, MatchesReferenceAcrossTheExactRange) {
  // Years -32767 to 32767, sampled in steps that land on every time of day.
  const int64_t first = -1096193779200;  // -32767-01-01 00:00:00
  const int64_t last = 971890963199;     // 32767-12-31 23:59:59
  ExpectMatchesReference(first);
  ExpectMatchesReference(last);
  for (int64_t seconds = first; seconds <= last; seconds += 86400 * 997 + 3607) ExpectMatchesReference(seconds);
}

TEST(Calendar, ClampsFarOutsideTheRangeWithoutOverflow) {
  const CivilTime earliest{-32767, 1, 1, 0, 0, 0};
  const CivilTime latest{32767, 12, 31, 23, 59, 59};
  struct Case {
    int64_t seconds;
    CivilTime expected;
  };
  const Case cases[] = {
      {std::numeric_limits<int64_t>::min(), earliest},
      {std::numeric_limits<int64_t>::min() + 1, earliest},
      {-1096193779201, earliest},
      {971890963200, latest},
      {std::numeric_limits<int64_t>::max() - 1, latest},
      {std::numeric_limits<int64_t>::max(), latest},
  };
  for (const Case& c : cases) {
    const CivilTime civil = CivilFromSeconds(c.seconds);
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(civil.year, c.expected.year);
    EXPECT_EQ(civil.month, c.expected.month);
    EXPECT_EQ(civil.day, c.expected.day);
    EXPECT_EQ(civil.hour, c.expected.hour);
    EXPECT_EQ(civil.minute, c.expected.minute);
    EXPECT_EQ(civil.second, c.expected.second);
  }
}
