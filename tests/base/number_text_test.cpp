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
using meridel::AppendFixed;
using meridel::DurationForm;

namespace {

struct FixedCase {
  double value;
  int decimals;
  const char* text;
};

const FixedCase kFixedCases[] = {
    {35.5, 8, "35.50000000"},       {-0.25, 8, "-0.25000000"},       {0.0, 8, "0.00000000"},
    {139.76, 8, "139.76000000"},    {-33.8688, 8, "-33.86880000"},   {151.2093, 8, "151.20930000"},
    {0.125, 8, "0.12500000"},       {-180.0, 8, "-180.00000000"},    {1234567.125, 8, "1234567.12500000"},
    {1e20, 8, "100000000000000000000.00000000"},
    {30000.0 / 1001, 3, "29.970"},  {61.25, 1, "61.2"},              {0.995, 2, "0.99"},  // 0.995 lies below
    {7.5, 0, "8"},                  {6.5, 0, "6"},                   {0.4, 12, "0.40000000"},  // at most 8
};

struct DurationCase {
  int64_t seconds;
  DurationForm form;
  const char* text;
};

constexpr DurationForm kClock{.first = DurationForm::kMinutes, .colons = true};
constexpr DurationForm kLength{.first = DurationForm::kHours, .colons = true};
constexpr DurationForm kSigned{.first = DurationForm::kHours, .colons = true, .firstDigits = 2, .plusSign = true};

const DurationCase kDurationCases[] = {
    {0, {}, "0 s"},
    {45, {}, "45 s"},
    {65, {}, "1 min 05 s"},
    {3600, {}, "1 h 00 min 00 s"},
    {2 * 86400 + 5, {}, "2 d 00 h 00 min 05 s"},
    {-12, {}, "-12 s"},
    {35, kClock, "0:35"},
    {723, kClock, "12:03"},
    {3723, kClock, "1:02:03"},
    {27 * 3600, kClock, "27:00:00"},
    {733, kLength, "0:12:13"},
    {0, kSigned, "+00:00:00"},
    {-(3600 + 5), kSigned, "-01:00:05"},
    {std::numeric_limits<int64_t>::min(), {}, "-106751991167300 d 15 h 30 min 08 s"},
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
    AppendFixed(text, c.value, c.decimals);
    EXPECT_EQ(text, std::string("x") + c.text) << c.value << " to " << c.decimals;
  }
  for (const DecimalCase& c : kDecimalCases) {
    std::string text = "x";
    AppendDecimal(text, c.value, c.minWidth);
    EXPECT_EQ(text, std::string("x") + c.text) << c.value << " width " << c.minWidth;
  }
  for (const DurationCase& c : kDurationCases) EXPECT_EQ(meridel::DurationText(c.seconds, c.form), c.text);
}

}  // namespace

TEST(NumberText, FixedDecimalsFilledDecimalsAndDurations) { ExpectAllTexts(); }

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

// Every value formats as the general conversion does, to every number of
// decimals: exact ties (odd multiples of 1/512 at the ninth decimal) round to
// even, and the integer fast path hands over to the general conversion
// beyond 64 bits of hundred-millionths.
TEST(NumberText, FixedAgreesWithTheGeneralConversion) {
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
  for (int decimals = 0; decimals <= 8; ++decimals) {
    for (const double value : values) {
      char expected[400];
      const auto end =
          std::to_chars(expected, expected + sizeof expected, value, std::chars_format::fixed, decimals).ptr;
      std::string text;
      AppendFixed(text, value, decimals);
      ASSERT_EQ(text, std::string(expected, end)) << value << " to " << decimals;
    }
  }
}
