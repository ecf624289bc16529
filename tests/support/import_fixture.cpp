#include "support/import_fixture.h"

#include "support/fake_platform.h"
#include "support/track_files.h"
#include "track/gpx_file_dialog.h"

namespace test_support {

std::string ImportSummary(size_t count) {
  return "Read complete.\n" + std::to_string(count) + " points were imported.";
}

std::string Point(const std::string& attributes, const std::string& children) {
  return std::string("<trkpt ") + attributes + ">" + children + "</trkpt>\n";
}

void ExpectPoints(const std::vector<meridel::TrackPoint>& actual, const std::vector<ExpectedPoint>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].latitude, expected[i].latitude) << "point " << i;
    EXPECT_EQ(actual[i].longitude, expected[i].longitude) << "point " << i;
    EXPECT_EQ(actual[i].time, expected[i].time) << "point " << i;
  }
}

void GpxImportTest::SetUp() { fake::Reset(); }

std::string GpxImportTest::ImportPath(const std::string& path) {
  std::vector<fake::MessageBoxCall>& boxes = fake::State().messageBoxes;
  boxes.clear();
  store.Append({1.0, 1.0, 5});
  meridel::ImportGpx(path, store, baseTime);
  EXPECT_EQ(boxes.size(), 1u) << "one message per import";
  if (boxes.size() != 1) return "";
  EXPECT_EQ(boxes.front().owner, nullptr);
  EXPECT_EQ(boxes.front().caption, "");
  EXPECT_EQ(boxes.front().type, 0u);  // MB_OK
  return boxes.front().text;
}

std::string GpxImportTest::Import(const std::string& contents) {
  const TempFile file(contents);
  return ImportPath(file.path());
}

std::vector<meridel::TrackPoint> GpxImportTest::Points() const { return meridel::TrackStoreInspector::Points(store); }

}  // namespace test_support
