#include "overlay/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <sstream>

#include "support/decimal_comma_locale.h"

using meridel::AppendDecimal;
using meridel::AppendFixed8;

namespace {

struct FixedCase {
  double value;
  const char* text;
};

const FixedCase kFixedCases[] = {
    {35.5, "35.50000000"},       {-0.25, "-0.25000000"},       {0.0, "0.00000000"},
    {139.76, "139.76000000"},    {-33.8688, "-33.86880000"},   {151.2093, "151.20930000"},
    {0.125, "0.12500000"}, {-180.0, "-180.00000000"},    {1234567.125, "1234567.12500000"},
    {1e20, "100000000000000000000.00000000"},
};

struct DecimalCase {
  int64_t value;
  int minWidth;
  const char* text;
};

const DecimalCase kDecimalCases[] = {
    {2014, 0, "2014"}, {5, 2, "05"},    {0, 2, "00"},       {59, 2, "59"},   {123, 2, "123"},
    {7, 0, "7"},       {-5, 2, "-05"},  {-32767, 0, "-32767"}, {999, 0, "999"},
    {std::numeric_limits<int64_t>::min(), 2, "-9223372036854775808"},
};

void ExpectAllTexts() {
  for (const FixedCase& c : kFixedCases) {
    std::string text = "x";
    AppendFixed8(text, c.value);
    EXPECT_EQ(text, std::string("x") + c.text) << c.value;
  }
  for (const DecimalCase& c : kDecimalCases) {
    std::string text = "x";
    AppendDecimal(text, c.value, c.minWidth);
    EXPECT_EQ(text, std::string("x") + c.text) << c.value << " width " << c.minWidth;
  }
}

}  // namespace

TEST(NumberText, FixedEightDecimalsAndFilledDecimals) { ExpectAllTexts(); }

TEST(NumberText, SameUnderADecimalCommaLocale) {
  test_support::ScopedDecimalComma comma;
  std::ostringstream stream;
  stream << 1.5;
  ASSERT_EQ(stream.str(), "1,5") << "the decimal-comma locale is not in force";
  if (comma.cLocaleSwitched()) {
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  }
  ExpectAllTexts();
}
