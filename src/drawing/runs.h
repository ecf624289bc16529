// Runs of the pixels a glyph or a composed caption covers: most of their box
// is empty and their strokes' insides are opaque, so drawing walks runs of
// either kind instead of testing every pixel.
#pragma once

#include <cstdint>
#include <vector>

namespace meridel::drawing {

// A run of one row of an image or a grid whose alpha (or coverage) is all
// 255 (opaque) or all 1-254.
struct Run {
  uint32_t row;
  uint32_t column;
  uint32_t length;
  bool opaque;
};

// Appends the runs of row `row`, `width` samples whose alpha alphaAt(column)
// gives, that cover every sample whose alpha is not 0.
template <typename AlphaAt>
void AppendRuns(std::vector<Run>& runs, uint32_t row, uint32_t width, AlphaAt&& alphaAt) {
  for (uint32_t c = 0; c < width;) {
    const uint8_t alpha = alphaAt(c);
    if (alpha == 0) {
      ++c;
      continue;
    }
    const bool opaque = alpha == 255;
    uint32_t end = c + 1;
    while (end < width && alphaAt(end) != 0 && (alphaAt(end) == 255) == opaque) ++end;
    runs.push_back({row, c, end - c, opaque});
    c = end;
  }
}

// The pixels [first, end) of row `row` that a run of `length` pixels starting
// at column `column` covers inside a frame `width` × `height`; first >= end
// when it covers none.
struct RunInFrame {
  int64_t first;
  int64_t end;
};

inline RunInFrame ClipRun(int64_t row, int64_t column, int64_t length, int64_t width, int64_t height) {
  if (row < 0 || row >= height) return {0, 0};
  return {column < 0 ? 0 : column, column + length < width ? column + length : width};
}

// Calls visit(run, row, first, end, skipped) for the part [first, end) of
// each run that lies inside a width × height grid, when the runs' grid has
// its top-left corner at (left, top); `skipped` counts the run's samples
// left of the part.
template <typename Visit>
void ForRunsInside(const std::vector<Run>& runs, int64_t left, int64_t top, int64_t width, int64_t height,
                   Visit&& visit) {
  for (const Run& run : runs) {
    const int64_t row = top + run.row;
    const int64_t start = left + run.column;
    const auto [first, end] = ClipRun(row, start, run.length, width, height);
    if (first < end) visit(run, row, first, end, first - start);
  }
}

}  // namespace meridel::drawing
