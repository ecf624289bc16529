#include "track/coordinate_scan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

#include "base/c_locale_space.h"

namespace meridel {
namespace {

// Whether a decimal number too large or too small for a double lies below 1:
// then it underflows and reads as zero, as scanf reads it, rather than
// overflowing. `number` is the unsigned text that from_chars took.
bool IsBelowOne(std::string_view number) {
  const size_t exponentMark = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentMark);
  int64_t exponent = 0;
  if (exponentMark != std::string_view::npos) {
    std::string_view digits = number.substr(exponentMark + 1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
    // Saturate: any exponent beyond a billion decides the outcome alone.
    for (const char digit : digits) exponent = std::min<int64_t>(exponent * 10 + (digit - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  const size_t firstSignificant = mantissa.find_first_of("123456789");
  if (firstSignificant == std::string_view::npos) return true;
  const size_t point = mantissa.find('.');
  const int64_t integerDigits = static_cast<int64_t>(point == std::string_view::npos ? mantissa.size() : point);
  const int64_t position = static_cast<int64_t>(firstSignificant);
  // The power of ten of the first significant digit.
  const int64_t leading = position < integerDigits ? integerDigits - position - 1 : integerDigits - position;
  return leading + exponent < 0;
}

}  // namespace

bool ScanCoordinate(const char* text, double& value) {
  const char* const end = text + std::strlen(text);
  const char* first = text;
  while (first != end && IsCLocaleSpace(*first)) ++first;
  // from_chars takes a "-" but no "+"; scanf takes either, but not both.
  if (first != end && *first == '+') {
    ++first;
    if (first != end && *first == '-') return false;
  }
  double scanned = 0.0;
  const std::from_chars_result result = std::from_chars(first, end, scanned);
  if (result.ec == std::errc::result_out_of_range) {
    const bool negative = *first == '-';
    if (!IsBelowOne(std::string_view(first + negative, result.ptr))) return false;
    scanned = negative ? -0.0 : 0.0;
  } else if (result.ec != std::errc{}) {
    return false;
  }
  // NaN and infinity would reach the captions and the map editor's requests.
  if (!std::isfinite(scanned)) return false;
  value = scanned;
  return true;
}

}  // namespace meridel
