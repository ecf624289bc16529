// Runs the GPX import the way the "GPS file" button does and returns the one
// message box it showed, for tests that judge an import by its message.
#pragma once

#include <cstdint>
#include <string>

namespace test_support {

inline constexpr const char* kLoadError = "File load error";
inline constexpr const char* kNoTrackPoint = "No trkpt in GPX file";

// "Read complete.\n<count> points were imported."
std::string ImportSummary(uint32_t count);

// Imports the file at `path`; fails the test unless exactly one message
// (no owner, empty caption, OK button) was shown.
std::string ImportMessage(const std::string& path);

}  // namespace test_support
