#include "base/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace meridel {
namespace {

constexpr int kMostDecimals = 8;
constexpr uint32_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr uint32_t kPowersOfFive[] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625};

// A magnitude below 2^32 as its integer part and its fraction in units of
// 10^-decimals, rounded to nearest with ties to even from the exact binary
// value, as std::to_chars rounds; false for any other magnitude. Only 32-bit
// divisions: 64-bit ones are library calls on 32-bit targets.
bool SplitFixed(double magnitude, int decimals, uint32_t& integerPart, uint32_t& fraction) {
  if (!(magnitude < 4294967296.0)) return false;
  integerPart = static_cast<uint32_t>(magnitude);
  const double rest = magnitude - integerPart;  // exact
  uint64_t bits;
  std::memcpy(&bits, &rest, sizeof bits);
  const int biasedExponent = static_cast<int>(bits >> 52);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = -1074;
  if (biasedExponent != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = biasedExponent - 1075;
  }
  // rest × 10^decimals = mantissa × 5^decimals × 2^-shift, the product up to
  // 72 bits in two halves. rest < 1 puts the shift at 45 or more.
  const uint32_t fivePower = kPowersOfFive[decimals];
  const uint64_t lowPart = uint64_t{static_cast<uint32_t>(mantissa)} * fivePower;
  const uint64_t highPart = uint64_t{static_cast<uint32_t>(mantissa >> 32)} * fivePower;
  const uint64_t productLow = lowPart + (highPart << 32);
  const uint64_t productHigh = (highPart >> 32) + (productLow < lowPart ? 1 : 0);
  const int shift = -(exponent + decimals);
  uint64_t quotient = 0;
  bool aboveHalf = false;
  bool atHalf = false;
  if (shift < 64) {
    quotient = (productLow >> shift) | (productHigh << (64 - shift));
    const uint64_t remainder = productLow & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    aboveHalf = remainder > half;
    atHalf = remainder == half;
  } else if (shift == 64) {
    quotient = productHigh;
    aboveHalf = productLow > uint64_t{1} << 63;
    atHalf = productLow == uint64_t{1} << 63;
  } else if (shift < 128) {
    quotient = productHigh >> (shift - 64);
    const uint64_t remainderHigh = productHigh & ((uint64_t{1} << (shift - 64)) - 1);
    const uint64_t halfHigh = uint64_t{1} << (shift - 65);
    aboveHalf = remainderHigh > halfHigh || (remainderHigh == halfHigh && productLow != 0);
    atHalf = remainderHigh == halfHigh && productLow == 0;
  }  // else: far below half of the last place, the fraction rounds to 0
  fraction = static_cast<uint32_t>(quotient);
  // A tie goes to the even last digit kept: the integer's without decimals.
  const uint32_t lastKept = decimals == 0 ? integerPart : fraction;
  if (aboveHalf || (atHalf && (lastKept & 1))) ++fraction;
  if (fraction == kPowersOfTen[decimals]) {
    if (integerPart == UINT32_MAX) return false;
    ++integerPart;
    fraction = 0;
  }
  return true;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
  decimals = std::clamp(decimals, 0, kMostDecimals);
  uint32_t integerPart = 0;
  uint32_t fraction = 0;
  // Every frame formats two coordinates, and the general conversion below
  // costs several times as much, most of all on 32-bit targets.
  if (SplitFixed(std::fabs(value), decimals, integerPart, fraction)) {
    char buffer[24];
    char* end = buffer;
    if (std::signbit(value)) *end++ = '-';
    end = std::to_chars(end, buffer + sizeof buffer, integerPart).ptr;
    if (decimals > 0) *end++ = '.';
    for (int digit = decimals - 1; digit >= 0; --digit) {
      end[digit] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    out.append(buffer, end + decimals);
    return;
  }
  // Large enough for the longest fixed-point double (309 integer digits).
  char buffer[400];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  out.append(buffer, written.ptr);
}

void AppendDecimal(std::string& out, int64_t value, int minWidth) {
  char buffer[24];
  // Dates and times fit 32 bits, whose conversion needs no 64-bit division
  // (a library call on 32-bit targets).
  const bool narrow = value >= INT32_MIN && value <= INT32_MAX;
  const auto written = narrow ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<int32_t>(value))
                              : std::to_chars(buffer, buffer + sizeof buffer, value);
  const auto length = written.ptr - buffer;
  const bool negative = value < 0;
  const auto digits = length - negative;
  if (negative) out.push_back('-');
  if (digits < minWidth) out.append(static_cast<size_t>(minWidth - digits), '0');
  out.append(buffer + negative, written.ptr);
}

std::string DurationText(int64_t seconds, DurationForm form) {
  std::string text;
  if (seconds < 0) {
    text += '-';
  } else if (form.plusSign) {
    text += '+';
  }
  // The magnitude as unsigned: the most negative duration has none as signed.
  const uint64_t magnitude = seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
  struct Field {
    uint64_t value;
    const char* unit;
  };
  const Field words[] = {{magnitude / 86400, " d"},
                         {magnitude / 3600 % 24, " h"},
                         {magnitude / 60 % 60, " min"},
                         {magnitude % 60, " s"}};
  const Field colons[] = {{magnitude / 3600, ""}, {magnitude / 60 % 60, ""}, {magnitude % 60, ""}};
  const Field* fields = form.colons ? colons : words;
  const int count = form.colons ? 3 : 4;
  // Seconds are the last field, minutes the one before, hours the one before that.
  const int firstAlways = count - 1 - form.first;
  bool started = false;
  for (int i = 0; i < count; ++i) {
    if (!started && i < firstAlways && fields[i].value == 0) continue;
    if (started) text += form.colons ? ':' : ' ';
    AppendDecimal(text, static_cast<int64_t>(fields[i].value), started ? 2 : form.firstDigits);
    text += fields[i].unit;
    started = true;
  }
  return text;
}

}  // namespace meridel
