#include "track/coordinate_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/decimal_comma_locale.h"

namespace meridel {
namespace {

TEST(ScanCoordinate, ReadsLikeScanfInTheCLocale) {
  const std::string tinyFraction = "0." + std::string(400, '0') + "1";
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {"12.5", 12.5},
      {"12.5abc", 12.5},  // text after the number is ignored
      {"   12.5", 12.5},
      {"\t\n\v\f\r12.5", 12.5},
      {"+12.5", 12.5},
      {"-12.5", -12.5},
      {".5", 0.5},
      {"5.", 5.0},
      {"1e2", 100.0},
      {"1E+2", 100.0},
      {"5e", 5.0},
      {"1,5", 1.0},   // a comma is never a decimal point
      {"0x10", 0.0},  // decimal only
      {"47.12345678901234567890123456789", 47.12345678901234567890123456789},
      {"1e-310", 1e-310},  // denormal
      {"1e-999", 0.0},     // underflow reads as zero
      {"-1e-999", -0.0},
      {tinyFraction, 0.0},
      {"1e-400000000000000000000", 0.0},
  };
  for (const auto& c : cases) {
    double value = 99.0;
    EXPECT_TRUE(ScanCoordinate(c.text.c_str(), value)) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << '"' << c.text << '"';
  }
}

TEST(ScanCoordinate, RejectsTextWithoutAFiniteNumber) {
  const std::string hugeInteger = "1" + std::string(400, '0');
  for (const std::string& text : {std::string(""), std::string("   "), std::string("abc"), std::string("."),
                                  std::string("+"), std::string("-"), std::string("e5"), std::string("+-1"),
                                  std::string("++1"), std::string("-+1"), std::string("+ 1"), std::string("- 1"),
                                  std::string("nan"), std::string("NaN"), std::string("-nan"),
                                  std::string("nan(1)"), std::string("inf"), std::string("-inf"),
                                  std::string("Infinity"), std::string("1e999"), std::string("-1e999"),
                                  std::string("1e400000000000000000000"), hugeInteger}) {
    double value = 99.0;
    EXPECT_FALSE(ScanCoordinate(text.c_str(), value)) << '"' << text << '"';
    EXPECT_EQ(value, 99.0) << '"' << text << '"';
  }
}

TEST(ScanCoordinate, IgnoresTheProcessLocale) {
  test_support::ScopedDecimalComma comma;
  double value = 0.0;
  ASSERT_TRUE(ScanCoordinate("12.5", value));
  EXPECT_EQ(value, 12.5);
  ASSERT_TRUE(ScanCoordinate("12,5", value));
  EXPECT_EQ(value, 12.0);
}

}  // namespace
}  // namespace meridel
