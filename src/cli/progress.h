// What the command shows while it encodes: on a terminal, a line per clip
// being encoded, redrawn in place under the lines already said; elsewhere
// (a log, a pipe) a plain line per clip at every tenth of its frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meridel::cli {

struct ClipProgress {
  std::string name;  // the clip's file name
  int64_t framesDone = 0;
  int64_t frameCount = 0;
  double seconds = 0.0;  // since its encoding started
};

// "0:35", "12:03", "1:02:03".
std::string ClockText(double seconds);

// The terminal's line: "ride-1.mp4   42%   61.3 fps   0:35 left".
std::string ProgressLine(const ClipProgress& progress);

// Tenths of the clip done: 0 to 10.
int TenthsDone(const ClipProgress& progress);

// The plain line for a tenth reached: "ride-1.mp4: 40% (720 of 1800 frames,
// 61.3 fps, 0:35 left)".
std::string PlainProgressLine(const ClipProgress& progress);

// "ride-1.mp4: captioned in 0:31 (58.1 fps): out/ride-1-meridel.mp4".
std::string DoneLine(const ClipProgress& progress, std::string_view output);

// "2 clips captioned, 1 failed, in 1:02:03"; "interrupted: ..." when a
// signal stopped the run.
std::string SummaryLine(int captioned, int failed, double seconds, bool interrupted);

// Keeps a block of live lines at the bottom of a terminal: each Redraw
// moves back over the block drawn before, writes the lines that stay, then
// the block again. Lines are cut to the terminal's width so that none
// wraps and the block keeps its height.
class TerminalBoard {
 public:
  std::string Redraw(const std::vector<std::string>& lasting, const std::vector<std::string>& live, size_t width);

 private:
  size_t liveShown_ = 0;
};

}  // namespace meridel::cli
