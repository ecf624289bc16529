// 32-bit integer arithmetic that wraps around instead of overflowing: track
// values come from the host or a stored project and may lie outside the
// track bars' ranges.
#pragma once

#include <cstdint>

namespace meridel {

inline int32_t AddWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t MultiplyWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// The low 32 bits of a 64-bit moment, read as signed: the width of track times.
inline int32_t LowWord(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace meridel
