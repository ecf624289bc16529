#include <gtest/gtest.h>

#include <string>

#include "track/gpx_time.h"

namespace meridel {
namespace {

struct TimeCase {
  const char* text;
  int32_t seconds;
};

void ExpectTimes(std::initializer_list<TimeCase> cases) {
  for (const TimeCase& c : cases) {
    // A copy of exactly the text's characters, so that a read past its end shows under sanitizers.
    const std::string text(c.text);
    EXPECT_EQ(ParseGpxTime(text), c.seconds) << '"' << c.text << '"';
  }
}

TEST(GpxTime, CommonForms) {
  ExpectTimes({
      {"2015-06-01T10:20:30Z", 1433154030},
      {"2015-06-01T10:20:30.750Z", 1433154030},   // the fraction is dropped
      {"2015-06-01T10:20:30,5Z", 1433154030},
      {"2015-06-01T10:20:30+02:00", 1433154030},  // the offset is ignored
      {"2015-06-01T10:20:30", 1433154030},        // no zone
      {"20150601T102030Z", 1433154030},           // no separators
      {"20150601102030", 1433154030},             // not even the "T"
      {"1970-01-01T00:00:00Z", 0},
      {"2000-02-29T12:00:00Z", 951825600},
  });
}

TEST(GpxTime, FixedSlicesOverOddForms) {
  ExpectTimes({
      {"2015-6-1T10:20:30Z", 1433154030},    // each one-digit field stops at the separator in its slice
      {"2015-06-01T1:2:3Z", 1433120523},     // 01:02:03
      {"2015-06-01 10:20:30", 1433120420},   // a space for the "T": 01:00:20
      {"2015-06-01t10:20:30Z", 1433116820},  // a lower-case "t" is no separator: 00:00:20
      {" 2015-06-01T10:20:30Z", -1},         // leading white space shifts every slice
      {"2015-06-01T-1:20:30Z", 1433114430},  // hour -1: 23:20:30 the day before
  });
}

TEST(GpxTime, OutOfRangeFieldsCarry) {
  ExpectTimes({
      {"2015-13-01T00:00:00Z", 1451606400},  // 2016-01-01
      {"2015-02-30T00:00:00Z", 1425254400},  // 2015-03-02
      {"2016-02-30T00:00:00Z", 1456790400},  // 2016-03-01: a leap year
      {"2015-06-00T10:20:30Z", 1433067630},  // day 0: 2015-05-31
      {"2015-06-01T24:00:00Z", 1433203200},  // 2015-06-02T00:00:00
      {"2015-06-01T10:20:60Z", 1433154060},  // 10:21:00
      {"1969-13-01T00:00:00Z", 0},           // 1969 carried into 1970
  });
}

TEST(GpxTime, UnreadableFieldsCountAsZero) {
  ExpectTimes({
      {"2015-xx-01T10:20:30Z", 1417429230},  // month -1: 2014-12-01
      {"xxxx-06-01T10:20:30Z", -1},          // year 0
      {"2015-06-xxT10:20:30Z", 1433067630},  // day 0: 2015-05-31
      {"2015-06-01Txx:xx:xxZ", 1433116800},  // midnight
      {"2015-06-01T+-:20:30Z", 1433118030},  // a sign without digits is unreadable: 00:20:30
  });
}

TEST(GpxTime, RangeEnds) {
  ExpectTimes({
      {"2038-01-19T03:14:07Z", 2147483647},  // the last expressible second
      {"2038-01-19T03:14:08Z", -1},
      {"1969-12-31T12:00:00Z", -43200},  // the first expressible second
      {"1969-12-31T11:59:59Z", -1},
      {"1969-12-31T23:59:59Z", -1},  // genuine, and indistinguishable from failure
      {"1968-12-31T23:59:59Z", -1},
      {"2039-12-31T00:00:00Z", -1},  // a year in range, a moment beyond it
      {"2039-13-01T00:00:00Z", -1},  // carried into 2040
      {"2040-00-01T00:00:00Z", -1},  // 2040 before the carry
      {"1970-00-01T00:00:00Z", -1},  // carried back to 1969-12-01
  });
}

TEST(GpxTime, TextsTooShortForTheSlicesGiveMinusOne) {
  ExpectTimes({
      {"", -1},
      {"201", -1},
      {"2015", -1},
      {"2015-06-01", -1},
      {"2015-06-01T10:20", -1},
      {"2015-06-01T10:20:3", -1},
      {"2015060110203", -1},  // 13 characters without separators
      {"2015-06-01T10:20:", -1},
  });
}

}  // namespace
}  // namespace meridel
