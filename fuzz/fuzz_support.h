// What the fuzz targets share: their bytes read as little-endian fields
// (past the end every field reads as zero, so any input is a complete case;
// fuzz/seeds.py writes the same layout), and the check that stops a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "track/track_store.h"

namespace fuzz {

// A broken property is a crash to libFuzzer: it keeps the input.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return size_ == 0; }

  template <class T>
  T Take() {
    unsigned char bytes[sizeof(T)] = {};
    const size_t taken = size_ < sizeof(T) ? size_ : sizeof(T);
    if (taken) std::memcpy(bytes, data_, taken);
    data_ += taken;
    size_ -= taken;
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  // One kind byte: below 0x80 a small time (the byte - 64, so that ties, -1
  // and order changes are common), otherwise a full int32 follows.
  int32_t TakeTime() {
    const uint8_t kind = Take<uint8_t>();
    return kind < 0x80 ? int32_t{kind} - 64 : Take<int32_t>();
  }

  // Time, latitude, longitude.
  meridel::TrackPoint TakePoint() {
    const int32_t time = TakeTime();
    const double latitude = Take<double>();
    const double longitude = Take<double>();
    return {latitude, longitude, time};
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace fuzz
