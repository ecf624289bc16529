#include "overlay/number_text.h"

#include <charconv>

namespace meridel {

void AppendFixed8(std::string& out, double value) {
  // Large enough for the longest fixed-point double (309 integer digits).
  char buffer[400];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 8);
  out.append(buffer, written.ptr);
}

void AppendDecimal(std::string& out, int64_t value, int minWidth) {
  char buffer[24];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  const auto length = written.ptr - buffer;
  const bool negative = value < 0;
  const auto digits = length - negative;
  if (negative) out.push_back('-');
  if (digits < minWidth) out.append(static_cast<size_t>(minWidth - digits), '0');
  out.append(buffer + negative, written.ptr);
}

}  // namespace meridel
