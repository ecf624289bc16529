#include "base/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace meridel {
namespace {

constexpr uint32_t kHundredMillion = 100'000'000;

// A magnitude below 2^32 as its integer part and its fraction in
// hundred-millionths, rounded to nearest with ties to even from the exact
// binary value, as std::to_chars rounds; false for any other magnitude. Only
// 32-bit divisions: 64-bit ones are library calls on 32-bit targets.
bool SplitFixed8(double magnitude, uint32_t& integerPart, uint32_t& fraction) {
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
  // rest × 10^8 = mantissa × 5^8 × 2^-shift, the product up to 72 bits in two
  // halves. rest < 1 puts the shift at 45 or more.
  constexpr uint64_t kFivePowEight = 390625;
  const uint64_t lowPart = (mantissa & 0xFFFFFFFF) * kFivePowEight;
  const uint64_t highPart = (mantissa >> 32) * kFivePowEight;
  const uint64_t productLow = lowPart + (highPart << 32);
  const uint64_t productHigh = (highPart >> 32) + (productLow < lowPart ? 1 : 0);
  const int shift = -(exponent + 8);
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
  if (aboveHalf || (atHalf && (fraction & 1))) ++fraction;
  if (fraction == kHundredMillion) {
    if (integerPart == UINT32_MAX) return false;
    ++integerPart;
    fraction = 0;
  }
  return true;
}

}  // namespace

void AppendFixed8(std::string& out, double value) {
  uint32_t integerPart = 0;
  uint32_t fraction = 0;
  // Every frame formats two coordinates, and the general conversion below
  // costs several times as much, most of all on 32-bit targets.
  if (SplitFixed8(std::fabs(value), integerPart, fraction)) {
    char buffer[24];
    char* end = buffer;
    if (std::signbit(value)) *end++ = '-';
    end = std::to_chars(end, buffer + sizeof buffer, integerPart).ptr;
    *end++ = '.';
    for (int digit = 7; digit >= 0; --digit) {
      end[digit] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    out.append(buffer, end + 8);
    return;
  }
  // Large enough for the longest fixed-point double (309 integer digits).
  char buffer[400];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 8);
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

}  // namespace meridel
