// Numbers written into captions and requests, independent of the process
// locale: "." as decimal point, no grouping, no plus sign.
#pragma once

#include <cstdint>
#include <string>

namespace meridel {

// Fixed-point with exactly 8 digits after the point: 35.5 -> "35.50000000".
void AppendFixed8(std::string& out, double value);

// Plain decimal, filled on the left with '0' up to minWidth digits.
void AppendDecimal(std::string& out, int64_t value, int minWidth = 0);

}  // namespace meridel
