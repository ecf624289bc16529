#include "track/gpx_file_dialog.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "support/import_fixture.h"
#include "support/track_files.h"
#include "track/gpx_walk.h"
#include "track/track_store.h"

namespace meridel {
namespace {

using test_support::ExpectedPoint;
using test_support::ExpectPoints;
using test_support::GpxImportTest;
using test_support::GpxWithSegment;
using test_support::kLoadError;
using test_support::kNoTrackPoint;
using test_support::kOldBaseTime;
using test_support::kT0;
using test_support::Point;
using test_support::TempFile;

std::string Summary(size_t count) { return test_support::ImportSummary(count); }

// ---------------------------------------------------------------- imports

TEST_F(GpxImportTest, ReadsTheFirstSegmentOfTheFirstTrack) {
  const std::string p1 = Point("lat=\"1\" lon=\"2\"");
  const std::string p2 = Point("lon=\"4\" lat=\"3\"", "<ele>5</ele><time>2015-06-01T10:20:31Z</time>");
  const std::string elsewhere = Point("lat=\"9\" lon=\"9\"");
  const struct {
    const char* name;
    std::string document;
    std::vector<ExpectedPoint> points;
  } cases[] = {
      {"two tracks", "<gpx><trk><trkseg>" + p1 + p2 + "</trkseg></trk><trk><trkseg>" + elsewhere +
                         "</trkseg></trk></gpx>",
       {{1, 2, kT0}, {3, 4, kT0 + 1}}},
      {"two segments", "<gpx><trk><trkseg>" + p1 + "</trkseg><trkseg>" + elsewhere + "</trkseg></trk></gpx>",
       {{1, 2, kT0}}},
      {"comments and other elements between points",
       GpxWithSegment(p1 + "<!-- pause -->\n<extensions><x>1</x></extensions>\ntext\n" + p2),
       {{1, 2, kT0}, {3, 4, kT0 + 1}}},
      {"waypoints, routes and metadata first",
       "<gpx><metadata><time>2000-01-01T00:00:00Z</time></metadata>" + std::string("<wpt lat=\"7\" lon=\"7\"/>") +
           "<rte><rtept lat=\"8\" lon=\"8\"/></rte><trk><name>x</name><trkseg>" + p1 + "</trkseg></trk></gpx>",
       {{1, 2, kT0}}},
      {"points nested deeper are not the segment's",
       GpxWithSegment(p1 + "<extensions>" + elsewhere + "</extensions>"), {{1, 2, kT0}}},
      {"names are case-sensitive, prefixes not stripped",
       GpxWithSegment(p1 + "<TRKPT lat=\"9\" lon=\"9\"/><gpx:trkpt lat=\"9\" lon=\"9\"/>"), {{1, 2, kT0}}},
      {"times out of order stay in file order",
       GpxWithSegment(Point("lat=\"1\" lon=\"1\"", "<time>2015-06-01T10:20:40Z</time>") +
                      Point("lat=\"2\" lon=\"2\"", "<time>2015-06-01T10:20:20Z</time>")),
       {{1, 1, kT0 + 10}, {2, 2, kT0 - 10}}},
      {"a byte-order mark and CRLF", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<gpx>\r\n<trk><trkseg>\r\n" + p1 +
                                         "</trkseg></trk></gpx>\r\n",
       {{1, 2, kT0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(c.document), Summary(c.points.size()));
    ExpectPoints(Points(), c.points);
    EXPECT_EQ(baseTime, c.points.front().time);
    EXPECT_EQ(TrackStoreInspector::CursorIndex(store), 0u);
  }
}

TEST_F(GpxImportTest, PassesOverPointsWithoutUsableCoordinates) {
  const struct {
    const char* attributes;
    std::optional<ExpectedPoint> point;
  } cases[] = {
      {"lat=\"12.5abc\" lon=\"3\"", ExpectedPoint{12.5, 3, kT0}},
      {"lat=\"  12.5\" lon=\"3\"", ExpectedPoint{12.5, 3, kT0}},
      {"lat=\"-33.5\" lon=\"+151.25\"", ExpectedPoint{-33.5, 151.25, kT0}},
      {"lat=\"1e-999\" lon=\"3\"", ExpectedPoint{0, 3, kT0}},
      {"lat=\"\" lon=\"3\"", std::nullopt},
      {"lat=\"abc\" lon=\"3\"", std::nullopt},
      {"lat=\"3\" lon=\"x3\"", std::nullopt},
      {"lat=\"nan\" lon=\"3\"", std::nullopt},
      {"lat=\"3\" lon=\"inf\"", std::nullopt},
      {"lat=\"1e999\" lon=\"3\"", std::nullopt},
      {"lon=\"3\"", std::nullopt},
      {"lat=\"3\"", std::nullopt},
      {"LAT=\"3\" LON=\"3\"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    // The point under test between two good ones: the first decides baseTime.
    const std::string document = GpxWithSegment(Point(c.attributes) + Point("lat=\"8\" lon=\"9\""));
    std::vector<ExpectedPoint> expected;
    if (c.point) expected.push_back(*c.point);
    expected.push_back({8, 9, kT0});
    EXPECT_EQ(Import(document), Summary(expected.size()));
    ExpectPoints(Points(), expected);
  }
}

TEST_F(GpxImportTest, PointsWithoutATimeTextAreKeptWithMinusOne) {
  const struct {
    const char* name;
    std::string children;
  } cases[] = {
      {"no time element", "<ele>3</ele>"},
      {"an empty time element", "<time></time>"},
      {"a self-closing time element", "<time/>"},
      {"only a comment", "<time><!-- 2015-06-01T10:20:30Z --></time>"},
      {"an element inside", "<time><b>2015-06-01T10:20:30Z</b></time>"},
      {"a time that cannot be converted", "<time>yesterday</time>"},
      {"a time too short", "<time>2015-06-01</time>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(GpxWithSegment(Point("lat=\"1\" lon=\"2\"", c.children.c_str()) + Point("lat=\"3\" lon=\"4\""))),
              Summary(2));
    ExpectPoints(Points(), {{1, 2, -1}, {3, 4, kT0}});
    EXPECT_EQ(baseTime, -1);  // the first appended point's time
  }
}

TEST_F(GpxImportTest, FailuresEmptyTheStoreAndKeepBaseTime) {
  const std::string point = Point("lat=\"1\" lon=\"2\"");
  std::string nested;
  // Beyond the limit of the tinyxml2 built against (100 in 9, 500 in 11).
  const int depth = TINYXML2_MAX_ELEMENT_DEPTH + 100;
  for (int i = 0; i < depth; ++i) nested += "<a>";
  for (int i = 0; i < depth; ++i) nested += "</a>";
  const struct {
    const char* name;
    std::string contents;
    std::string message;
  } cases[] = {
      {"empty file", "", kLoadError},
      {"white space only", "  \n ", kLoadError},
      {"not XML", "lat,lon\n1,2\n", kLoadError},
      {"truncated", "<gpx><trk><trkseg>" + point, kLoadError},
      {"mismatched tag", "<gpx><trk><trkseg>" + point + "</trk></trkseg></gpx>", kLoadError},
      {"binary", std::string("\x00\x01\xFF\xFE<gpx>\x00", 9), kLoadError},
      {"nested beyond the parser's depth", "<gpx><trk><trkseg>" + point + nested + "</trkseg></trk></gpx>",
       kLoadError},
      {"another root", "<kml><trk><trkseg>" + point + "</trkseg></trk></kml>", kNoTrackPoint},
      {"upper-case root", "<GPX><trk><trkseg>" + point + "</trkseg></trk></GPX>", kNoTrackPoint},
      {"declaration only", "<?xml version=\"1.0\"?>", kNoTrackPoint},
      {"no track", "<gpx><rte><rtept lat=\"1\" lon=\"2\"/></rte></gpx>", kNoTrackPoint},
      {"first track without segments", "<gpx><trk/><trk><trkseg>" + point + "</trkseg></trk></gpx>",
       kNoTrackPoint},
      {"first segment without points", "<gpx><trk><trkseg/><trkseg>" + point + "</trkseg></trk></gpx>",
       kNoTrackPoint},
      {"no point with usable coordinates", GpxWithSegment(Point("lat=\"x\" lon=\"2\"") + Point("lon=\"2\"")),
       Summary(0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Import(c.contents), c.message);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(baseTime, kOldBaseTime);
  }
}

TEST_F(GpxImportTest, UnreadablePathsAreLoadErrors) {
  const std::string missing = (std::filesystem::temp_directory_path() / "meridel-no-such-file.gpx").string();
  const std::string directory = std::filesystem::temp_directory_path().string();
  for (const std::string& path : {missing, directory, std::string()}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ImportPath(path), kLoadError);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(baseTime, kOldBaseTime);
  }
}

TEST_F(GpxImportTest, ImportingTwiceGivesTheSameTrack) {
  const std::string document = GpxWithSegment(Point("lat=\"1\" lon=\"2\"") + Point("lat=\"3\" lon=\"4\"", "") +
                                               Point("lat=\"5\" lon=\"6\""));
  const TempFile file(document);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(ImportPath(file.path()), Summary(3));
    ExpectPoints(Points(), {{1, 2, kT0}, {3, 4, -1}, {5, 6, kT0}});
    EXPECT_EQ(baseTime, kT0);
  }
}

TEST_F(GpxImportTest, AFailedImportAfterASuccessfulOneLeavesAnEmptyStore) {
  EXPECT_EQ(Import(GpxWithSegment(Point("lat=\"1\" lon=\"2\""))), Summary(1));
  EXPECT_EQ(Import("<gpx>"), kLoadError);
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(baseTime, kT0);
  double latitude = 9.0;
  double longitude = 9.0;
  EXPECT_FALSE(LookupPosition(store, kT0, latitude, longitude));
}

TEST_F(GpxImportTest, TheCursorStandsOnTheFirstPointAfterAnImport) {
  ASSERT_EQ(Import(GpxWithSegment(Point("lat=\"1\" lon=\"2\"") + Point("lat=\"3\" lon=\"4\""))), Summary(2));
  double latitude = 0.0;
  double longitude = 0.0;
  ASSERT_TRUE(LookupPosition(store, kT0 + 100, latitude, longitude));
  EXPECT_EQ(TrackStoreInspector::CursorIndex(store), 1u);
  ASSERT_EQ(Import(GpxWithSegment(Point("lat=\"5\" lon=\"6\"") + Point("lat=\"7\" lon=\"8\""))), Summary(2));
  EXPECT_EQ(TrackStoreInspector::CursorIndex(store), 0u);
}

TEST_F(GpxImportTest, AppendFirstSegmentWalksADocumentFromMemory) {
  tinyxml2::XMLDocument document;
  const std::string text = GpxWithSegment(Point("lat=\"1\" lon=\"2\"") + Point("lat=\"x\" lon=\"2\""));
  ASSERT_EQ(document.Parse(text.c_str(), text.size()), tinyxml2::XML_SUCCESS);
  store.Clear();
  EXPECT_EQ(AppendFirstSegment(document, store), GpxWalk::kWalked);
  ExpectPoints(TrackStoreInspector::Points(store), {{1, 2, kT0}});

  ASSERT_EQ(document.Parse("<gpx><trk/></gpx>"), tinyxml2::XML_SUCCESS);
  EXPECT_EQ(AppendFirstSegment(document, store), GpxWalk::kNoTrackPoint);
  EXPECT_TRUE(fake::State().messageBoxes.empty());  // the walk shows nothing, sets nothing
  EXPECT_EQ(baseTime, kOldBaseTime);
}

// ---------------------------------------------------------------- the file dialog

TEST_F(GpxImportTest, TheDialogAsksForOneExistingGpxFile) {
  const TempFile file(GpxWithSegment(Point("lat=\"1\" lon=\"2\"")));
  fake::State().openFileAnswers.push_back(file.path());
  ChooseGpxFile(store, baseTime);

  ASSERT_EQ(fake::State().openFileDialogs.size(), 1u);
  const fake::OpenFileCall& call = fake::State().openFileDialogs.front();
  EXPECT_EQ(call.dialog.structSize, 88u);
  EXPECT_EQ(call.dialog.owner, nullptr);
  EXPECT_EQ(call.filter, std::string("GPX files (*.gpx)\0*.gpx\0\0", 25));
  EXPECT_EQ(call.dialog.filterIndex, 0u);
  EXPECT_EQ(call.dialog.bufferSize, 260u);
  EXPECT_EQ(call.bufferIn, std::string(260, '\0'));
  EXPECT_EQ(call.dialog.flags, 0x1000u);  // OFN_FILEMUSTEXIST

  ASSERT_EQ(fake::State().messageBoxes.size(), 1u);
  EXPECT_EQ(fake::State().messageBoxes.front().text, Summary(1));
  ExpectPoints(Points(), {{1, 2, kT0}});
}

TEST_F(GpxImportTest, ACancelledDialogKeepsTheTrack) {
  ASSERT_EQ(Import(GpxWithSegment(Point("lat=\"1\" lon=\"2\""))), Summary(1));
  fake::State().messageBoxes.clear();
  fake::State().openFileAnswers.push_back(std::nullopt);
  ChooseGpxFile(store, baseTime);
  EXPECT_EQ(fake::State().openFileDialogs.size(), 1u);
  EXPECT_TRUE(fake::State().messageBoxes.empty());
  ExpectPoints(Points(), {{1, 2, kT0}});
  EXPECT_EQ(baseTime, kT0);
}

}  // namespace
}  // namespace meridel
