// Huge GPX files: generated into the temporary directory, imported, deleted.
// Native only: the Windows tests run under an emulator far too slow for them.
// ctest's time limit bounds each import.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/filter_state.h"
#include "host/overlay_settings.h"
#include "support/host_fixture.h"
#include "support/import_message.h"
#include "support/track_files.h"
#include "track/track_store.h"

namespace meridel {
namespace {

using test_support::ImportMessage;
using test_support::ImportSummary;
using test_support::TempFile;

constexpr int32_t kT0 = 1433116800;  // 2015-06-01T00:00:00Z

// The time text of kT0 + seconds, for up to 30 days.
std::string TimeText(int32_t seconds) {
  const auto two = [](int32_t value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
  };
  const int32_t second = seconds % 86400;
  return "2015-06-" + two(1 + seconds / 86400) + "T" + two(second / 3600) + ":" + two(second / 60 % 60) + ":" +
         two(second % 60) + "Z";
}

class HugeFilesTest : public test_support::ModuleTest {};

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
  ASSERT_EQ(ImportMessage(file.path()), ImportSummary(kPoints));
  const TrackStore& store = *filterState.trackStore;
  EXPECT_EQ(store.Count(), static_cast<uint32_t>(kPoints));
  const std::vector<TrackPoint> points = TrackStoreInspector::Points(store);
  EXPECT_EQ(points.back().latitude, 999.5);
  EXPECT_EQ(points.back().time, kT0 + kPoints - 1);
  EXPECT_EQ(overlaySettings.baseTime, kT0);
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
  ASSERT_EQ(ImportMessage(file.path()), ImportSummary(kPoints));
  TrackStore* const store = filterState.trackStore;
  ASSERT_EQ(store->Count(), static_cast<uint32_t>(kPoints));
  EXPECT_EQ(overlaySettings.baseTime, kT0);

  // Frames in order walk the cursor through the whole track once.
  double latitude = 0.0;
  double longitude = 0.0;
  for (int32_t second = 0; second < kPoints; second += 7) ASSERT_TRUE(LookupPosition(store, kT0 + second, latitude, longitude));
  ASSERT_TRUE(LookupPosition(store, kT0 + kPoints, latitude, longitude));  // after the track
  EXPECT_EQ(latitude, 47.999999);
  EXPECT_EQ(TrackStoreInspector::CursorIndex(*store), static_cast<size_t>(kPoints - 1));
  // A jump back to the start walks back point by point.
  ASSERT_TRUE(LookupPosition(store, kT0, latitude, longitude));
  EXPECT_EQ(latitude, 47.0);
  EXPECT_EQ(TrackStoreInspector::CursorIndex(*store), 0u);
}

}  // namespace
}  // namespace meridel
