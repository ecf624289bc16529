// GPX "time" texts to signed 32-bit UTC seconds.
#pragma once

#include <cstdint>
#include <string_view>

namespace meridel {

// Fixed-position reader: year from the first four characters, the other five
// fields from two each, optional separators dropped, every time taken as UTC.
// -1 when the fields make no moment from 1969-12-31T12:00:00Z to
// 2038-01-19T03:14:07Z, or the text is too short for the slices.
int32_t ParseGpxTime(std::string_view text);

}  // namespace meridel
