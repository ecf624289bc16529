#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "support/track_files.h"
#include "track/track_store.h"

namespace meridel {
namespace {

struct Lookup {
  int32_t moment;
  double latitude;
  double longitude;
  size_t cursorAfter;
};

class TrackStoreTest : public ::testing::Test {
 protected:
  // Filled as an import leaves it: the cursor on the first point.
  void Fill(const std::vector<TrackPoint>& points) {
    store.Clear();
    for (const TrackPoint& point : points) store.Append(point);
    store.SetCursorToFirst();
  }

  // Runs the lookups in order, each from where the previous one left the cursor.
  void ExpectSequence(const std::vector<Lookup>& lookups) {
    for (const Lookup& lookup : lookups) {
      SCOPED_TRACE(testing::Message() << "moment " << lookup.moment);
      double latitude = -99.0;
      double longitude = -99.0;
      EXPECT_TRUE(LookupPosition(store, lookup.moment, latitude, longitude));
      EXPECT_DOUBLE_EQ(latitude, lookup.latitude);
      EXPECT_DOUBLE_EQ(longitude, lookup.longitude);
      EXPECT_EQ(TrackStoreInspector::CursorIndex(store), lookup.cursorAfter);
    }
  }

  TrackStore store;
};

const std::vector<TrackPoint> kThreePoints = {{10.0, 20.0, 100}, {11.0, 22.0, 110}, {12.0, 20.0, 130}};

TEST_F(TrackStoreTest, KeepsPointsInAppendOrder) {
  Fill({{1.0, 2.0, 30}, {3.0, 4.0, 10}, {3.0, 4.0, 10}, {5.0, 6.0, -1}});
  EXPECT_EQ(store.Count(), 4u);
  EXPECT_EQ(store.First().time, 30);
  const std::vector<TrackPoint> points = TrackStoreInspector::Points(store);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[1].time, 10);
  EXPECT_EQ(points[2].time, 10);
  EXPECT_EQ(points[3].time, -1);
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
}

TEST_F(TrackStoreTest, EmptyStoresAnswerFalseAndZero) {
  double latitude = 5.0;
  double longitude = 5.0;
  EXPECT_FALSE(LookupPosition(store, 100, latitude, longitude));
  EXPECT_EQ(latitude, 0.0);
  EXPECT_EQ(longitude, 0.0);

  // Emptied after a filled life: the old cursor must not be followed.
  Fill(kThreePoints);
  ExpectSequence({{1000, 12.0, 20.0, 2}});
  store.Clear();
  latitude = longitude = 5.0;
  EXPECT_FALSE(LookupPosition(store, 120, latitude, longitude));
  EXPECT_EQ(latitude, 0.0);
  EXPECT_EQ(longitude, 0.0);
}

TEST_F(TrackStoreTest, OnePointAnswersEveryMomentWithIt) {
  Fill({{47.5, 8.25, 1000}});
  const int32_t kMin = std::numeric_limits<int32_t>::min();
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  ExpectSequence({{kMin, 47.5, 8.25, 0}, {-1, 47.5, 8.25, 0}, {1000, 47.5, 8.25, 0}, {kMax, 47.5, 8.25, 0}});
}

TEST_F(TrackStoreTest, SingleLookupsFromTheFirstPoint) {
  const std::vector<Lookup> cases = {
      {90, 10.0, 20.0, 0},     // before the track
      {100, 10.0, 20.0, 0},    // the first point's time
      {105, 10.0, 20.0, 0},    // the first interval is not interpolated
      {110, 10.0, 20.0, 0},    // the second point's time while the walk ends on the first
      {115, 11.25, 21.5, 1},   // r = 0.25
      {130, 12.0, 20.0, 1},    // the last point's time, reached from the second
      {1000, 12.0, 20.0, 2},   // after the track
  };
  for (const Lookup& lookup : cases) {
    Fill(kThreePoints);
    ExpectSequence({lookup});
  }
}

TEST_F(TrackStoreTest, SequencesWalkTheCursorBothWays) {
  const std::vector<std::vector<Lookup>> sequences = {
      {{115, 11.25, 21.5, 1}, {105, 10.0, 20.0, 0}, {90, 10.0, 20.0, 0}, {125, 11.75, 20.5, 1}},
      {{115, 11.25, 21.5, 1}, {110, 11.0, 22.0, 1}},  // the second point's own coordinates
      {{1000, 12.0, 20.0, 2}, {110, 11.0, 22.0, 1}, {130, 12.0, 20.0, 1}, {90, 10.0, 20.0, 0}},
  };
  for (const std::vector<Lookup>& sequence : sequences) {
    Fill(kThreePoints);
    ExpectSequence(sequence);
  }
}

TEST_F(TrackStoreTest, EqualTimesAnswerByWhereTheCursorStands) {
  // A, B, C, D at 10, 20, 20, 30; a lookup at 20 from each of them.
  const std::vector<TrackPoint> points = {{1.0, 1.0, 10}, {2.0, 2.0, 20}, {3.0, 3.0, 20}, {4.0, 4.0, 30}};
  const struct {
    size_t cursorBefore;
    double latitude;
    size_t cursorAfter;
  } cases[] = {{0, 1.0, 0}, {1, 2.0, 1}, {2, 3.0, 2}, {3, 3.0, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "cursor on point " << c.cursorBefore);
    Fill(points);
    TrackStoreInspector::PlaceCursor(store, c.cursorBefore);
    ExpectSequence({{20, c.latitude, c.latitude, c.cursorAfter}});
  }
}

TEST_F(TrackStoreTest, UnsortedTimesStillEndWhereTheStepsLead) {
  Fill({{0.0, 0.0, 100}, {1.0, 1.0, 300}, {2.0, 2.0, 200}, {3.0, 3.0, 400}});
  ExpectSequence({
      {250, 0.0, 0.0, 0},    // 300 is not below 250: the walk stays on the first point
      {350, 2.75, 2.75, 2},  // past 300 and 200, then between 200 and 400
      {250, 2.25, 2.25, 2},
      {150, 0.0, 0.0, 0},    // back past 300 to the first point
  });
}

TEST_F(TrackStoreTest, UnconvertedTimeComparesAsOneSecondBefore1970) {
  Fill({{0.0, 0.0, -5}, {1.0, 1.0, -1}, {2.0, 2.0, 9}});
  ExpectSequence({{4, 1.5, 1.5, 1}, {-1, 1.0, 1.0, 1}, {-3, 0.0, 0.0, 0}});
}

TEST_F(TrackStoreTest, TimeDifferencesWrapLikeSigned32BitArithmetic) {
  // 2147483647 - (-10) wraps to -2147483639: the ratio becomes a small negative number.
  const int32_t kMin = std::numeric_limits<int32_t>::min();
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  Fill({{0.0, 0.0, kMin}, {0.0, 0.0, -10}, {1.0, 1.0, kMax}});
  const double ratio = 10.0 / -2147483639.0;
  ExpectSequence({{0, ratio, ratio, 1}});
}

TEST_F(TrackStoreTest, AppendsWithoutAnImportLeaveTheCursorOnTheFirstPoint) {
  store.Append({10.0, 20.0, 100});
  store.Append({11.0, 22.0, 110});
  ExpectSequence({{110, 10.0, 20.0, 0}});
}

}  // namespace
}  // namespace meridel
