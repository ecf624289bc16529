// Files no GPS device writes. Every import ends in one of its three messages,
// with the store holding exactly what the message says, and never crashes or
// hangs. (The empty file, a missing path and a directory given as the path
// are among the failures of gpx_import_test.cpp.)
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/import_fixture.h"
#include "support/track_files.h"
#include "track/track_store.h"

namespace meridel {
namespace {

using test_support::GpxWithSegment;
using test_support::ImportSummary;
using test_support::kLoadError;
using test_support::kNoTrackPoint;
using test_support::kOldBaseTime;
using test_support::kT0;
using test_support::Point;
using test_support::TempFile;

using HostileFilesTest = test_support::GpxImportTest;

std::string Noise(size_t size) {
  std::mt19937 generator(20150601);  // fixed: every run reads the same bytes
  std::string noise(size, '\0');
  for (char& byte : noise) byte = static_cast<char>(generator());
  return noise;
}

std::string Nested(int depth, const std::string& inner) {
  std::string nested;
  for (int i = 0; i < depth; ++i) nested += "<ext>";
  nested += inner;
  for (int i = 0; i < depth; ++i) nested += "</ext>";
  return nested;
}

TEST_F(HostileFilesTest, FilesThatAreNoTrackEndInAMessageAndAnEmptyStore) {
  const std::string start = "<?xml version=\"1.0\"?>\n<gpx><trk><trkseg>\n";
  const std::string point = Point("lat=\"1\" lon=\"2\"", "<time>2015-06-01T10:20:30Z</time>");
  const struct {
    const char* name;
    std::string contents;
    const char* message;
  } cases[] = {
      {"a lone byte-order mark", "\xEF\xBB\xBF", kLoadError},
      {"a byte-order mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF", kLoadError},
      // The parser skips white space only before the mark: this loads, empty.
      {"a byte-order mark and white space", "\xEF\xBB\xBF \r\n", kNoTrackPoint},
      {"binary noise", Noise(64 * 1024), kLoadError},
      {"noise after a track's start", start + point + Noise(64 * 1024), kLoadError},
      {"a NUL byte inside the track", start + point + std::string(1, '\0') + point + "</trkseg></trk></gpx>",
       kLoadError},
      {"elements nested 100,000 deep", Nested(100'000, ""), kLoadError},
      {"a point nested beyond the depth limit", start + Nested(TINYXML2_MAX_ELEMENT_DEPTH + 50, point) + "</trkseg></trk></gpx>", kLoadError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(c.contents), c.message);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(baseTime, kOldBaseTime);
  }
}

TEST_F(HostileFilesTest, CoordinatesTenThousandDigitsLong) {
  const std::string digits(10'000, '7');
  const std::string zeros(9'999, '0');
  const struct {
    const char* name;
    std::string latitude;
    std::optional<double> value;  // none: the point is passed over
  } cases[] = {
      {"an integer of 10,000 digits", "1" + zeros, std::nullopt},
      {"a negative one", "-1" + zeros, std::nullopt},
      {"a fraction of 10,000 digits", "47." + digits, 47.77777777777777777},
      {"trailing zeros", "47.5" + zeros, 47.5},
      {"leading zeros", zeros + "47.5", 47.5},
      {"a fraction too small for a double", "0." + zeros + "1", 0.0},
      {"an exponent of 10,000 digits", "1e-" + digits, 0.0},
      {"an exponent of 10,000 digits, most of them zeros", "1e" + zeros + "2", 100.0},
      {"a huge exponent", "1e" + digits, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string lat = Point("lat=\"" + c.latitude + "\" lon=\"8\"", "<time>2015-06-01T10:20:30Z</time>");
    const std::string good = Point("lat=\"3\" lon=\"4\"", "<time>2015-06-01T10:20:31Z</time>");
    ASSERT_EQ(Import(GpxWithSegment(lat + good)), ImportSummary(c.value ? 2 : 1));
    const std::vector<TrackPoint> points = Points();
    if (c.value) {
      EXPECT_DOUBLE_EQ(points.front().latitude, *c.value);
      EXPECT_EQ(points.front().longitude, 8.0);
    }
    EXPECT_EQ(points.back().latitude, 3.0);
  }
}

TEST_F(HostileFilesTest, ControlCharactersAndInvalidUtf8InTexts) {
  const std::string invalidUtf8 = "\xC3\x28\xFF\xFE\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF";
  const std::string controls = "\x01\x02\x1B\x7F\x08";
  const struct {
    const char* name;
    std::string attributes;
    std::string children;
    std::optional<TrackPoint> point;  // none: passed over
  } cases[] = {
      {"in a name and a description", "lat=\"1\" lon=\"2\"",
       "<name>" + controls + invalidUtf8 + "</name><desc>&#1;&#x1F;&#xD800;&#x110000;&#0;</desc>"
       "<time>2015-06-01T10:20:30Z</time>",
       TrackPoint{1, 2, kT0}},
      {"after the time", "lat=\"1\" lon=\"2\"", "<time>2015-06-01T10:20:30" + controls + invalidUtf8 + "</time>",
       TrackPoint{1, 2, kT0}},
      // Not white space: the slices shift and the year cannot be read.
      {"before the time", "lat=\"1\" lon=\"2\"", "<time>" + controls + "2015-06-01T10:20:30Z</time>",
       TrackPoint{1, 2, -1}},
      {"as the time", "lat=\"1\" lon=\"2\"", "<time>" + invalidUtf8 + invalidUtf8 + "</time>", TrackPoint{1, 2, -1}},
      {"references to controls and surrogates as the time", "lat=\"1\" lon=\"2\"",
       "<time>&#1;&#xD800;&#0;2015-06-01T10:20:30Z</time>", TrackPoint{1, 2, -1}},
      {"after a coordinate", "lat=\"1" + controls + "\" lon=\"2" + invalidUtf8 + "\"",
       "<time>2015-06-01T10:20:30Z</time>", TrackPoint{1, 2, kT0}},
      {"before a coordinate", "lat=\"" + controls + "1\" lon=\"2\"", "<time>2015-06-01T10:20:30Z</time>",
       std::nullopt},
      {"invalid UTF-8 as a coordinate", "lat=\"1\" lon=\"" + invalidUtf8 + "\"", "<time>2015-06-01T10:20:30Z</time>",
       std::nullopt},
      {"a NUL by reference as a coordinate", "lat=\"&#0;1\" lon=\"2\"", "<time>2015-06-01T10:20:30Z</time>",
       std::nullopt},
      {"a NUL by reference in a time", "lat=\"1\" lon=\"2\"", "<time>&#0;2015-06-01T10:20:30Z</time>",
       TrackPoint{1, 2, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string good = Point("lat=\"3\" lon=\"4\"", "<time>2015-06-01T10:20:31Z</time>");
    ASSERT_EQ(Import(GpxWithSegment(Point(c.attributes, c.children) + good)), ImportSummary(c.point ? 2 : 1));
    const std::vector<TrackPoint> points = Points();
    if (c.point) {
      EXPECT_EQ(points.front().latitude, c.point->latitude);
      EXPECT_EQ(points.front().longitude, c.point->longitude);
      EXPECT_EQ(points.front().time, c.point->time);
    }
    EXPECT_EQ(points.back().time, kT0 + 1);
  }
}

// Huge files are generated into the temporary directory and deleted; ctest's
// time limit bounds each import. Native only: a million points take most of
// a 32-bit process's address space.
class HugeFilesTest : public test_support::GpxImportTest {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "huge files are imported by the native tests only";
#endif
    GpxImportTest::SetUp();
  }
};

constexpr int32_t kMidnight = 1433116800;  // 2015-06-01T00:00:00Z

// The time text of kMidnight + seconds, for up to 30 days.
std::string TimeText(int32_t seconds) {
  const auto two = [](int32_t value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
  };
  const int32_t second = seconds % 86400;
  return "2015-06-" + two(1 + seconds / 86400) + "T" + two(second / 3600) + ":" + two(second / 60 % 60) + ":" +
         two(second % 60) + "Z";
}

TEST_F(HugeFilesTest, A200MegabyteFileImportsItsPoints) {
  constexpr int kPoints = 1000;
  constexpr size_t kTarget = 200u << 20;
  // Each point carries a long note, as some loggers write them: the file is
  // huge while the document's nodes stay few.
  const std::string note(kTarget / kPoints, 'x');
  const TempFile file("");
  {
    std::ofstream out(file.path(), std::ios::binary | std::ios::app);
    out << "<?xml version=\"1.0\"?>\n<gpx><trk><trkseg>\n";
    for (int i = 0; i < kPoints; ++i)
      out << "<trkpt lat=\"" << i << ".5\" lon=\"8.25\"><time>" << TimeText(i) << "</time><extensions><note>"
          << note << "</note></extensions></trkpt>\n";
    out << "</trkseg></trk></gpx>\n";
    ASSERT_TRUE(out.good());
  }
  ASSERT_EQ(ImportPath(file.path()), ImportSummary(kPoints));
  EXPECT_EQ(store.Count(), static_cast<uint32_t>(kPoints));
  const std::vector<TrackPoint> points = TrackStoreInspector::Points(store);
  EXPECT_EQ(points.back().latitude, 999.5);
  EXPECT_EQ(points.back().time, kMidnight + kPoints - 1);
  EXPECT_EQ(baseTime, kMidnight);
}

TEST_F(HugeFilesTest, AMillionPointsImportAndLookUpInOrder) {
  constexpr int kPoints = 1'000'000;
  const TempFile file("");
  {
    std::ofstream out(file.path(), std::ios::binary | std::ios::app);
    out << "<?xml version=\"1.0\"?>\n<gpx><trk><trkseg>\n";
    // One point a second, over eleven and a half days.
    for (int i = 0; i < kPoints; ++i)
      out << "<trkpt lat=\"47." << i << "\" lon=\"8.5\"><ele>400</ele><time>" << TimeText(i) << "</time></trkpt>\n";
    out << "</trkseg></trk></gpx>\n";
    ASSERT_TRUE(out.good());
  }
  ASSERT_EQ(ImportPath(file.path()), ImportSummary(kPoints));
  ASSERT_EQ(store.Count(), static_cast<uint32_t>(kPoints));
  EXPECT_EQ(baseTime, kMidnight);

  // Frames in order walk the cursor through the whole track once.
  double latitude = 0.0;
  double longitude = 0.0;
  for (int32_t second = 0; second < kPoints; second += 7)
    ASSERT_TRUE(LookupPosition(store, kMidnight + second, latitude, longitude));
  ASSERT_TRUE(LookupPosition(store, kMidnight + kPoints, latitude, longitude));  // after the track
  EXPECT_EQ(latitude, 47.999999);
  EXPECT_EQ(TrackStoreInspector::CursorIndex(store), static_cast<size_t>(kPoints - 1));
  // A jump back to the start walks back point by point.
  ASSERT_TRUE(LookupPosition(store, kMidnight, latitude, longitude));
  EXPECT_EQ(latitude, 47.0);
  EXPECT_EQ(TrackStoreInspector::CursorIndex(store), 0u);
}

}  // namespace
}  // namespace meridel
