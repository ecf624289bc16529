// Real GPX files from many devices and programs, kept beside the repository.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "support/import_fixture.h"
#include "support/track_files.h"
#include "track/gpx_file_dialog.h"
#include "track/track_store.h"

#ifdef _WIN32
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace meridel {
namespace {

struct Coordinates {
  double latitude;
  double longitude;
};

// What the import should make of a file, worked out apart from it: the C
// library's strtod in the "C" locale stands in for "%lf".
struct Expectation {
  std::string message;
  std::vector<Coordinates> points;
};

bool ReadsAsFiniteNumber(const char* text, double& value) {
  if (!text) return false;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && std::isfinite(value);
}

Expectation Expect(const std::string& path) {
  tinyxml2::XMLDocument document;
  if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) return {test_support::kLoadError, {}};
  const tinyxml2::XMLConstHandle segment =
      tinyxml2::XMLConstHandle(document).FirstChildElement("gpx").FirstChildElement("trk").FirstChildElement(
          "trkseg");
  if (!segment.FirstChildElement("trkpt").ToElement()) return {test_support::kNoTrackPoint, {}};
  Expectation expectation;
  for (const tinyxml2::XMLNode* node = segment.ToNode()->FirstChild(); node; node = node->NextSibling()) {
    const tinyxml2::XMLElement* element = node->ToElement();
    if (!element || std::string(element->Name()) != "trkpt") continue;
    Coordinates point{};
    if (ReadsAsFiniteNumber(element->Attribute("lat"), point.latitude) &&
        ReadsAsFiniteNumber(element->Attribute("lon"), point.longitude)) {
      expectation.points.push_back(point);
    }
  }
  expectation.message = test_support::ImportSummary(static_cast<uint32_t>(expectation.points.size()));
  return expectation;
}

using GpxFilesTest = test_support::GpxImportTest;

TEST_F(GpxFilesTest, EveryCorpusFileImportsItsFirstSegment) {
  const std::filesystem::path corpus(MERIDEL_CORPUS_DIR);
  std::error_code error;
  if (!std::filesystem::is_directory(corpus, error)) GTEST_SKIP() << "no corpus at " << corpus.string();
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  for (const std::filesystem::path& file : files) {
    const std::string path = file.string();
    SCOPED_TRACE(file.filename().string());
    const Expectation expected = Expect(path);
    constexpr int32_t kUntouched = 123456;
    baseTime = kUntouched;
    EXPECT_EQ(ImportPath(path), expected.message);
    const std::vector<TrackPoint> points = Points();
    ASSERT_EQ(points.size(), expected.points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      EXPECT_NEAR(points[i].latitude, expected.points[i].latitude, 1e-9) << "point " << i;
      EXPECT_NEAR(points[i].longitude, expected.points[i].longitude, 1e-9) << "point " << i;
    }
    if (points.empty()) {
      EXPECT_EQ(baseTime, kUntouched);
    } else {
      EXPECT_EQ(baseTime, points.front().time);
    }
  }
}

// Peak memory of the process so far, in KiB.
long PeakMemoryKiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage) / 1024);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
#endif
}

// Run by hand to measure a large import (tools/make_gpx.py writes one):
//   MERIDEL_LARGE_GPX=big.gpx meridel_tests --gtest_also_run_disabled_tests --gtest_filter='*LargeFile*'
TEST_F(GpxFilesTest, DISABLED_LargeFileNamedByTheEnvironment) {
  const char* path = std::getenv("MERIDEL_LARGE_GPX");
  if (!path) GTEST_SKIP() << "MERIDEL_LARGE_GPX is not set";
  const long before = PeakMemoryKiB();
  const auto start = std::chrono::steady_clock::now();
  ImportGpx(path, store, baseTime);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(fake::State().messageBoxes.size(), 1u);
  std::printf("%s\nimport: %.2f s, peak memory: %ld KiB before, %ld KiB after\n",
              fake::State().messageBoxes.front().text.c_str(), elapsed.count(), before, PeakMemoryKiB());
}

}  // namespace
}  // namespace meridel
