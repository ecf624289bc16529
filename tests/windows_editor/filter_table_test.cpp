#include "windows_editor/filter_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "overlay/overlay_settings.h"
#include "support/fake_platform.h"

namespace {

template <class T>
std::vector<T> Entries(const T* array, int count) {
  return std::vector<T>(array, array + count);
}

std::vector<std::string> Names(const char* const* names, int count) {
  return std::vector<std::string>(names, names + count);
}

}  // namespace

TEST(FilterTable, SameAddressEveryCall) { EXPECT_EQ(GetFilterTable(), GetFilterTable()); }

TEST(FilterTable, DeclaresTheFilter) {
  const FilterTable& table = *GetFilterTable();
  EXPECT_EQ(table.flags, 0x00044400u);
  EXPECT_EQ(table.hostWordA, 0x30000000u);
  EXPECT_EQ(table.hostWordB, 0x30000000u);
  EXPECT_STREQ(table.name, "Meridel");
  EXPECT_STREQ(table.infoText, "Meridel version 0.30 by Oskavo");
  EXPECT_EQ(table.extraDataSize, 60);
  EXPECT_EQ(table.frameCallback, &meridel::FrameCallback);
  EXPECT_EQ(table.startupCallback, &meridel::StartupCallback);
  EXPECT_EQ(table.exitCallback, &meridel::ExitCallback);
  EXPECT_EQ(table.windowCallback, &meridel::WindowCallback);
  // The host fills its own record's values and services; the rest is the host's.
  EXPECT_EQ(table.spareCallback, nullptr);
  EXPECT_EQ(table.trackValues, nullptr);
  EXPECT_EQ(table.checkValues, nullptr);
  EXPECT_EQ(table.services, nullptr);
  for (void* field : table.hostFields23to24) EXPECT_EQ(field, nullptr);
  for (void* field : table.hostFields26to35) EXPECT_EQ(field, nullptr);
}

TEST(FilterTable, ExtraDataIsTheSettingsBlockThatStartUpFills) {
  fake::Reset();
  const auto* block = static_cast<const meridel::OverlaySettings*>(GetFilterTable()->extraData);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(meridel::StartupCallback(nullptr), 1);
  EXPECT_EQ(block->spareA, 10);
  EXPECT_EQ(block->textColor, 0x00FFFFFFu);
  EXPECT_EQ(block->borderColor, 0x0000FF00u);
  EXPECT_EQ(meridel::ExitCallback(nullptr), 1);
}

TEST(FilterTable, TrackBars) {
  const FilterTable& table = *GetFilterTable();
  ASSERT_EQ(table.trackCount, 8);
  EXPECT_EQ(Names(table.trackNames, 8),
            (std::vector<std::string>{"X", "Y", "UTC H", "UTC M", "Diff H", "Diff M", "Diff S", "Zoom"}));
  EXPECT_EQ(Entries(table.trackDefaults, 8), (std::vector<int32_t>{10, 10, 9, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Entries(table.trackMin, 8), (std::vector<int32_t>{0, 0, -11, -45, -10, -59, -59, -10}));
  EXPECT_EQ(Entries<int32_t>(table.trackMax, 8), (std::vector<int32_t>{999, 999, 15, 45, 100, 59, 59, 10}));
}

TEST(FilterTable, CheckButtons) {
  const FilterTable& table = *GetFilterTable();
  ASSERT_EQ(table.checkCount, 6);
  EXPECT_EQ(Names(table.checkNames, 6), (std::vector<std::string>{"GPS file", "Font", "Text Color", "Border Color",
                                                                  "JOSM sync", "JOSM add"}));
  // -1: a push button; 0: a tick box that starts clear.
  EXPECT_EQ(Entries(table.checkDefaults, 6), (std::vector<int32_t>{-1, -1, -1, -1, 0, -1}));
}
