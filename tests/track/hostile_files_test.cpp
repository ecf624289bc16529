// Files no GPS device writes. Every import ends in one of its three messages,
// with the store holding exactly what the message says, and never crashes or
// hangs. (The empty file, a missing path and a directory given as the path
// are among the failures of gpx_import_test.cpp; the huge files are in
// hostile_files_native_test.cpp.)
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "host/filter_state.h"
#include "host/overlay_settings.h"
#include "support/host_fixture.h"
#include "support/import_message.h"
#include "support/track_files.h"
#include "track/track_store.h"

namespace meridel {
namespace {

using test_support::GpxWithSegment;
using test_support::ImportMessage;
using test_support::ImportSummary;
using test_support::kLoadError;
using test_support::kNoTrackPoint;
using test_support::TempFile;

constexpr int32_t kT0 = 1433154030;  // 2015-06-01T10:20:30Z
constexpr int32_t kOldBaseTime = 777;

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

std::string Point(const std::string& attributes, const std::string& children) {
  return "<trkpt " + attributes + ">" + children + "</trkpt>\n";
}

class HostileFilesTest : public test_support::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    overlaySettings.baseTime = kOldBaseTime;
  }

  std::string Import(const std::string& contents) {
    filterState.trackStore->Append({1.0, 1.0, 5});  // an earlier track, which every import drops
    const TempFile file(contents);
    return ImportMessage(file.path());
  }

  static std::vector<TrackPoint> Points() { return TrackStoreInspector::Points(*filterState.trackStore); }
};

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
      {"a point nested beyond the depth limit", start + Nested(150, point) + "</trkseg></trk></gpx>", kLoadError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(c.contents), c.message);
    EXPECT_EQ(filterState.trackStore->Count(), 0u);
    EXPECT_EQ(overlaySettings.baseTime, kOldBaseTime);
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

}  // namespace
}  // namespace meridel
