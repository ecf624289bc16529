#include "png_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace standin {
namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

// Deflate writes bits from the least significant end; Huffman codes go most
// significant bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Bits(uint32_t value, int count) {
    buffer_ |= value << used_;
    used_ += count;
    while (used_ >= 8) {
      out_.push_back(static_cast<uint8_t>(buffer_));
      buffer_ >>= 8;
      used_ -= 8;
    }
  }

  void Code(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1) << (length - 1 - i);
    Bits(reversed, length);
  }

  void Flush() {
    if (used_ > 0) out_.push_back(static_cast<uint8_t>(buffer_));
    buffer_ = 0;
    used_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t buffer_ = 0;
  int used_ = 0;
};

// The fixed literal/length code.
void Symbol(BitWriter& bits, int symbol) {
  if (symbol < 144) bits.Code(0x30 + symbol, 8);
  else if (symbol < 256) bits.Code(0x190 + symbol - 144, 9);
  else if (symbol < 280) bits.Code(symbol - 256, 7);
  else bits.Code(0xC0 + symbol - 280, 8);
}

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                               33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& bits, int length, int distance) {
  int code = 28;
  while (kLengthBase[code] > length) --code;
  Symbol(bits, 257 + code);
  bits.Bits(length - kLengthBase[code], kLengthExtra[code]);
  code = 29;
  while (kDistanceBase[code] > distance) --code;
  bits.Code(code, 5);
  bits.Bits(distance - kDistanceBase[code], kDistanceExtra[code]);
}

// One final fixed-Huffman block over the whole input; greedy matching over a
// short hash chain keeps it quick and still shrinks flat pictures a lot.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  constexpr int kWindow = 32768, kMinMatch = 3, kMaxMatch = 258, kChainLimit = 24;
  constexpr int kHashBits = 15;
  std::vector<uint8_t> out;
  out.reserve(data.size() / 4 + 64);
  BitWriter bits(out);
  bits.Bits(1, 1);  // final block
  bits.Bits(1, 2);  // fixed Huffman codes

  const int size = static_cast<int>(data.size());
  std::vector<int> head(1 << kHashBits, -1);
  std::vector<int> previous(size, -1);
  auto hash = [&](int i) {
    return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1 << kHashBits) - 1);
  };
  auto insert = [&](int i) {
    if (i + kMinMatch > size) return;
    const int h = hash(i);
    previous[i] = head[h];
    head[h] = i;
  };

  int i = 0;
  while (i < size) {
    int bestLength = 0, bestDistance = 0;
    if (i + kMinMatch <= size) {
      const int limit = std::min(kMaxMatch, size - i);
      int candidate = head[hash(i)];
      for (int chain = 0; candidate >= 0 && i - candidate <= kWindow && chain < kChainLimit; ++chain) {
        int length = 0;
        while (length < limit && data[candidate + length] == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = i - candidate;
          if (length == limit) break;
        }
        candidate = previous[candidate];
      }
    }
    if (bestLength >= kMinMatch) {
      Match(bits, bestLength, bestDistance);
      for (int k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      Symbol(bits, data[i]);
      insert(i);
      ++i;
    }
  }
  Symbol(bits, 256);  // end of block
  bits.Flush();
  return out;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char type[4], const std::vector<uint8_t>& body) {
  PutBigEndian(png, static_cast<uint32_t>(body.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  PutBigEndian(png, Crc32(png.data() + start, png.size() - start));
}

// Per row, the filter (none, Sub or Up) whose output has the smallest sum of
// magnitudes: the usual heuristic, good enough for rendered frames.
std::vector<uint8_t> FilteredRows(int width, int height, const uint8_t* bgrx, size_t stride) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> rows;
  rows.reserve((rowBytes + 1) * height);
  std::vector<uint8_t> current(rowBytes), above(rowBytes, 0), candidate(rowBytes), best(rowBytes);
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = bgrx + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      current[x * 3 + 0] = source[x * 4 + 2];
      current[x * 3 + 1] = source[x * 4 + 1];
      current[x * 3 + 2] = source[x * 4 + 0];
    }
    uint8_t bestFilter = 0;
    long bestCost = -1;
    for (uint8_t filter = 0; filter <= 2; ++filter) {
      long cost = 0;
      for (size_t i = 0; i < rowBytes; ++i) {
        uint8_t predictor = 0;
        if (filter == 1 && i >= 3) predictor = current[i - 3];
        if (filter == 2) predictor = above[i];
        candidate[i] = static_cast<uint8_t>(current[i] - predictor);
        cost += std::abs(static_cast<int8_t>(candidate[i]));
      }
      if (bestCost < 0 || cost < bestCost) {
        bestCost = cost;
        bestFilter = filter;
        best.swap(candidate);
      }
    }
    rows.push_back(bestFilter);
    rows.insert(rows.end(), best.begin(), best.end());
    above.swap(current);
    current.resize(rowBytes);
  }
  return rows;
}

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgrx, size_t stride) {
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> png(signature, signature + 8);

  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  Chunk(png, "IHDR", header);

  const std::vector<uint8_t> rows = FilteredRows(width, height, bgrx, stride);
  std::vector<uint8_t> zlib = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
  const std::vector<uint8_t> deflated = Deflate(rows);
  zlib.insert(zlib.end(), deflated.begin(), deflated.end());
  PutBigEndian(zlib, Adler32(rows));
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  return png;
}

bool WritePng(const std::string& path, int width, int height, const uint8_t* bgrx, size_t stride) {
  const std::vector<uint8_t> png = EncodePng(width, height, bgrx, stride);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace standin
