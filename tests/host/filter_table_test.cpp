#include <gtest/gtest.h>

#include "host/filter_table.h"
#include "host/overlay_settings.h"

TEST(FilterTable, SameAddressEveryCall) { EXPECT_EQ(GetFilterTable(), GetFilterTable()); }
