#include "overlay/caption.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "overlay/frame_moment.h"
#include "support/decimal_comma_locale.h"
#include "track/track_store.h"

namespace {

constexpr double kNtsc = 30000.0 / 1001.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// "UTC H", "UTC M", "Diff H", "Diff M", "Diff S".
struct Clock {
  int32_t utcH;
  int32_t utcM;
  int32_t diffH;
  int32_t diffM;
  int32_t diffS;
};

// A frame's moment and caption as the frame callback makes them.
class CaptionTest : public ::testing::Test {
 protected:
  void Set(int32_t baseTime, double framesPerSecond, const Clock& clock) {
    baseTime_ = baseTime;
    framesPerSecond_ = framesPerSecond;
    clock_ = clock;
  }

  int64_t Moment(int32_t frame) const {
    return meridel::FrameMoment(baseTime_, meridel::FrameOffset(frame, framesPerSecond_),
                                meridel::ClockDifference(clock_.diffH, clock_.diffM, clock_.diffS));
  }

  std::string Caption(int32_t frameNumber) {
    return meridel::BuildCaption(track, Moment(frameNumber), meridel::UtcOffset(clock_.utcH, clock_.utcM));
  }

  std::string PositionLine(int32_t frameNumber) {
    const std::string caption = Caption(frameNumber);
    return caption.substr(caption.find('\n') + 1);
  }

  // As an import leaves the track: the cursor on the first point.
  void LoadTrack(const std::vector<meridel::TrackPoint>& points) {
    track.Clear();
    for (const meridel::TrackPoint& point : points) track.Append(point);
    track.SetCursorToFirst();
  }

  // The points of the lookup's examples: the first interval is not interpolated.
  void LoadExampleTrack() { LoadTrack({{10.0, 20.0, 100}, {11.0, 22.0, 110}, {12.0, 20.0, 130}}); }

  meridel::TrackStore track;

 private:
  int32_t baseTime_ = 0;
  double framesPerSecond_ = 0.0;
  Clock clock_{};
};

struct MomentCase {
  const char* name;
  int32_t baseTime;
  double framesPerSecond;
  Clock clock;
  int32_t frame;
  int64_t moment;
};

const MomentCase kMomentCases[] = {
    // Truncated, never rounded.
    {"25fps frame 0", 1000, 25.0, {}, 0, 1000},
    {"25fps frame 24", 1000, 25.0, {}, 24, 1000},
    {"25fps frame 25", 1000, 25.0, {}, 25, 1001},
    {"25fps frame 49", 1000, 25.0, {}, 49, 1001},
    {"25fps frame 50", 1000, 25.0, {}, 50, 1002},
    {"ntsc frame 29", 1000, kNtsc, {}, 29, 1000},
    {"ntsc frame 30", 1000, kNtsc, {}, 30, 1001},
    {"ntsc frame 59", 1000, kNtsc, {}, 59, 1001},
    {"ntsc frame 60", 1000, kNtsc, {}, 60, 1002},
    {"ntsc one hour", 1000, kNtsc, {}, 107892, 1000 + 3599},
    {"toward zero below 0", 1000, 25.0, {}, -24, 1000},
    {"negative frame", 1000, 25.0, {}, -25, 999},
    // The clock difference, each value with its own sign.
    {"diff 1h -30m", 1000, 25.0, {0, 0, 1, -30, 0}, 0, 1000 + 1800},
    {"diff -59s", 1000, 25.0, {0, 0, 0, 0, -59}, 0, 1000 - 59},
    {"diff -1h", 1000, 25.0, {0, 0, -1, 0, 0}, 0, 1000 - 3600},
    {"diff at the maxima", 0, 25.0, {0, 0, 100, 59, 59}, 0, 363599},
    {"diff at the minima", 0, 25.0, {0, 0, -10, -59, -59}, 0, -39599},
    {"utc offset not in the moment", 1000, 25.0, {-11, 45, 0, 0, 0}, 0, 1000},
    // No 32-bit quotient: INT32_MIN as the offset.
    {"no source yet, frame 0", 0, 0.0, {}, 0, INT32_MIN},
    {"no source yet, frame 5", 1000000000, 0.0, {}, 5, 1000000000LL + INT32_MIN},
    {"no source yet, negative frame", 0, 0.0, {}, -5, INT32_MIN},
    {"rate NaN", 0, kNaN, {}, 3, INT32_MIN},
    {"quotient 2^31", 0, 0.5, {}, 1073741824, INT32_MIN},
    {"quotient just below 2^31", 0, 1.0, {}, INT32_MAX, INT32_MAX},
    {"quotient -2^31", 0, 1.0, {}, INT32_MIN, INT32_MIN},
    {"quotient below -2^31", 0, -0.5, {}, 1073741825, INT32_MIN},
    // Base time and offset wrap in 32 bits; the difference widens to 64.
    {"base plus offset wraps", INT32_MAX, 1.0, {}, 1, INT32_MIN},
    {"difference is not wrapped", INT32_MAX, 1.0, {0, 0, 100, 0, 0}, 0, INT32_MAX + 360000LL},
    {"difference beyond the ranges wraps", 0, 1.0, {0, 0, INT32_MAX, 0, 0}, 0,
     static_cast<int32_t>(static_cast<uint32_t>(INT32_MAX) * 3600u)},
    {"difference at int32 extremes", 0, 1.0, {0, 0, INT32_MIN, INT32_MIN, INT32_MIN}, 0,
     static_cast<int32_t>((0x80000000u * 60u + 0x80000000u) * 60u + 0x80000000u)},
};

}  // namespace

TEST_F(CaptionTest, FrameMoment) {
  for (const MomentCase& c : kMomentCases) {
    SCOPED_TRACE(c.name);
    Set(c.baseTime, c.framesPerSecond, c.clock);
    EXPECT_EQ(Moment(c.frame), c.moment);
  }
}

namespace {

struct TimeLineCase {
  const char* name;
  int32_t baseTime;
  Clock clock;
  const char* timeLine;
};

const TimeLineCase kTimeLineCases[] = {
    {"fields filled", 1394003289, {}, "2014-03-05 07:08:09"},
    {"defaults without a track", 0, {9, 0, 0, 0, 0}, "1970-01-01 09:00:00"},
    {"3.5 hours behind", 1394003289, {-3, -30, 0, 0, 0}, "2014-03-05 03:38:09"},
    {"2.5 hours behind", 1394003289, {-3, 30, 0, 0, 0}, "2014-03-05 04:38:09"},
    {"UTC offset at its ends", 1394003289, {15, 45, 0, 0, 0}, "2014-03-05 22:53:09"},
    {"past midnight into the new year", 1388532600, {9, 0, 0, 0, 0}, "2014-01-01 08:30:00"},
    {"before the epoch", 0, {-11, -45, 0, 0, 0}, "1969-12-31 12:15:00"},
    {"leap year has 29 February", 1456700400, {1, 0, 0, 0, 0}, "2016-02-29 00:00:00"},
    {"common year has none", 1425164400, {1, 0, 0, 0, 0}, "2015-03-01 00:00:00"},
    {"2000 is a leap year", 951778800, {1, 0, 0, 0, 0}, "2000-02-29 00:00:00"},
    {"2100 is not", INT32_MAX, {1, 0, 0, 0, 1960055153}, "2100-03-01 00:00:00"},
    {"past 2038 without wrapping", INT32_MAX, {0, 0, 100, 0, 0}, "2038-01-23 07:14:07"},
    {"far past every range", INT32_MAX, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
     nullptr},
    {"far before every range", INT32_MIN, {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
     nullptr},
};

}  // namespace

TEST_F(CaptionTest, TimeLine) {
  for (const TimeLineCase& c : kTimeLineCases) {
    SCOPED_TRACE(c.name);
    Set(c.baseTime, 25.0, c.clock);
    const std::string caption = Caption(0);
    // Far out of range any date will do, but the caption is still built.
    if (c.timeLine) {
      EXPECT_EQ(caption, std::string(c.timeLine) + "\n0.00000000 0.00000000");
    }
    EXPECT_EQ(caption.find('\n'), caption.rfind('\n'));
  }
}

TEST_F(CaptionTest, NoSourceOpenedYetStillGivesACaption) {
  Set(0, 0.0, {9, 0, 0, 0, 0});
  EXPECT_EQ(Caption(0), "1901-12-14 05:45:52\n0.00000000 0.00000000");
}

TEST_F(CaptionTest, PositionAtTheFrameMoment) {
  LoadExampleTrack();
  struct Case {
    const char* name;
    Clock clock;
    int32_t frame;
    const char* caption;
  };
  const Case cases[] = {
      {"first point at frame 0", {}, 0, "1970-01-01 00:01:40\n10.00000000 20.00000000"},
      {"interpolated", {}, 15, "1970-01-01 00:01:55\n11.25000000 21.50000000"},
      {"UTC offset moves only the time", {9, 30, 0, 0, 0}, 15, "1970-01-01 09:31:55\n11.25000000 21.50000000"},
      {"difference moves both", {0, 0, 0, 0, 10}, 15, "1970-01-01 00:02:05\n11.75000000 20.50000000"},
      {"after the track: last point", {0, 0, 1, 0, 0}, 0, "1970-01-01 01:01:40\n12.00000000 20.00000000"},
      {"before the track: first point", {0, 0, 0, 0, -20}, 0, "1970-01-01 00:01:20\n10.00000000 20.00000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Set(100, 1.0, c.clock);
    EXPECT_EQ(Caption(c.frame), c.caption);
  }
}

TEST_F(CaptionTest, LooksUpAtTheLowWordOfTheMoment) {
  // Past 2038 the moment wraps for the lookup, as a 32-bit track time would.
  LoadTrack({{5.0, 5.0, -2147483100}, {6.0, 6.0, -2147483000}, {7.0, 7.0, -2147482000}});
  Set(INT32_MAX, 1.0, {0, 0, 0, 19, 9});
  EXPECT_EQ(Caption(0), "2038-01-19 03:33:16\n6.50000000 6.50000000");
}

TEST_F(CaptionTest, CoordinatesKeepEightDecimalsAndTheirSign) {
  LoadTrack({{-0.25, 139.25, 0}});
  Set(1394003289, 25.0, {});
  EXPECT_EQ(PositionLine(0), "-0.25000000 139.25000000");
  LoadTrack({{35.5, -179.999999994, 0}});
  EXPECT_EQ(PositionLine(0), "35.50000000 -179.99999999");
}

TEST_F(CaptionTest, SameTextUnderADecimalCommaLocale) {
  LoadTrack({{35.5, 139.25, 1394003289}});
  Set(1394003289, 25.0, {});
  test_support::ScopedDecimalComma comma;
  EXPECT_EQ(Caption(0), "2014-03-05 07:08:09\n35.50000000 139.25000000");
}
