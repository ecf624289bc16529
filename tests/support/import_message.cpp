#include "support/import_message.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "track/gpx_import.h"

namespace test_support {

std::string ImportSummary(uint32_t count) {
  return "Read complete.\n" + std::to_string(count) + " points were imported.";
}

std::string ImportMessage(const std::string& path) {
  std::vector<fake::MessageBoxCall>& boxes = fake::State().messageBoxes;
  boxes.clear();
  meridel::ImportGpx(path);
  EXPECT_EQ(boxes.size(), 1u) << "one message per import";
  if (boxes.size() != 1) return "";
  EXPECT_EQ(boxes.front().owner, nullptr);
  EXPECT_EQ(boxes.front().caption, "");
  EXPECT_EQ(boxes.front().type, 0u);  // MB_OK
  return boxes.front().text;
}

}  // namespace test_support
