// The fixture of every GPX import test: a track store that holds an earlier
// track and a base time from before, files made from GPX text, and the one
// message box an import shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "track/track_store.h"

namespace test_support {

inline constexpr const char* kLoadError = "File load error";
inline constexpr const char* kNoTrackPoint = "No trkpt in GPX file";
inline constexpr int32_t kOldBaseTime = 777;
inline constexpr int32_t kT0 = 1433154030;  // 2015-06-01T10:20:30Z, the time of Point()'s default

// "Read complete.\n<count> points were imported."
std::string ImportSummary(size_t count);

// One trkpt element with the given attributes and children.
std::string Point(const std::string& attributes, const std::string& children = "<time>2015-06-01T10:20:30Z</time>");

struct ExpectedPoint {
  double latitude;
  double longitude;
  int32_t time;
};

void ExpectPoints(const std::vector<meridel::TrackPoint>& actual, const std::vector<ExpectedPoint>& expected);

class GpxImportTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Imports the file at `path` as the "GPS file" button does, over an
  // earlier track that every import drops; fails the test unless exactly one
  // message (no owner, empty caption, OK button) was shown.
  std::string ImportPath(const std::string& path);
  // The same for a file holding `contents`.
  std::string Import(const std::string& contents);

  std::vector<meridel::TrackPoint> Points() const;

  meridel::TrackStore store;
  int32_t baseTime = kOldBaseTime;
};

}  // namespace test_support
