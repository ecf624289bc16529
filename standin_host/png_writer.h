// A small PNG encoder for the stand-in host's rendered frames: 8-bit RGB,
// one zlib stream of fixed-Huffman deflate blocks with a greedy LZ77 matcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// Pixels are 32-bit BGRX rows, top row first, `stride` bytes apart.
std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgrx, size_t stride);

bool WritePng(const std::string& path, int width, int height, const uint8_t* bgrx, size_t stride);

}  // namespace standin
