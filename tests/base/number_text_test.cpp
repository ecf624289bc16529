#include "base/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

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

// Every value formats as the general conversion does: exact ties at the ninth
// decimal (odd multiples of 1/512) round to even, and the integer fast path
// hands over to the general conversion beyond 64 bits of hundred-millionths.
TEST(NumberText, FixedEightAgreesWithTheGeneralConversion) {
  std::vector<double> values = {0.0, -0.0, 5e-9, -5e-9, 1.5e-8, 4.9e-324, 1.8446744073709552e11, -1.85e11,
                                std::ldexp(1.0, 43), std::ldexp(1.0, 44), std::nextafter(std::ldexp(1.0, 44), 0.0),
                                std::numeric_limits<double>::max(), -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  for (int k = -3000; k <= 3000; ++k) values.push_back(k / 512.0 + 35);
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> coordinate(-400.0, 400.0);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = random();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    values.push_back(any);
    values.push_back(coordinate(random));
  }
  for (const double value : values) {
    char expected[400];
    const auto end = std::to_chars(expected, expected + sizeof expected, value, std::chars_format::fixed, 8).ptr;
    std::string text;
    AppendFixed8(text, value);
    ASSERT_EQ(text, std::string(expected, end)) << value;
  }
}
