#include "cli/progress.h"

#include <gtest/gtest.h>

namespace {

using meridel::cli::ClipProgress;

TEST(Progress, Lines) {
  const ClipProgress half{"ride-1.mp4", 900, 1800, 15.0};
  EXPECT_EQ(meridel::cli::ProgressLine(half), "ride-1.mp4   50%  60.0 fps  0:15 left");
  EXPECT_EQ(meridel::cli::ProgressLine({"a.mp4", 0, 1800, 0.2}), "a.mp4    0%  starting");
  EXPECT_EQ(meridel::cli::PlainProgressLine(half), "ride-1.mp4: 50% (900 of 1800 frames, 60.0 fps, 0:15 left)");
  EXPECT_EQ(meridel::cli::TenthsDone({"a", 179, 1800, 1}), 0);
  EXPECT_EQ(meridel::cli::TenthsDone({"a", 180, 1800, 1}), 1);
  EXPECT_EQ(meridel::cli::DoneLine({"a.mp4", 1800, 1800, 31.0}, "out/a-meridel.mp4"),
            "a.mp4: captioned in 0:31 (58.1 fps): out/a-meridel.mp4");
  EXPECT_EQ(meridel::cli::SummaryLine(1, 0, 59.6, false), "1 clip captioned, in 1:00");
  EXPECT_EQ(meridel::cli::SummaryLine(2, 1, 3723, true), "interrupted: 2 clips captioned, 1 failed, in 1:02:03");
}

TEST(Progress, TerminalBlockIsRedrawnInPlace) {
  meridel::cli::TerminalBoard board;
  EXPECT_EQ(board.Redraw({"said"}, {"a 1%", "b 2%"}, 80), "\rsaid\x1b[K\na 1%\x1b[K\nb 2%\x1b[K\n\x1b[J");
  // Back over the two live lines; a line that stays goes above the block.
  EXPECT_EQ(board.Redraw({"a done"}, {"b 3%"}, 80), "\x1b[2F\ra done\x1b[K\nb 3%\x1b[K\n\x1b[J");
  // Live lines never wrap, and are not cut inside a UTF-8 sequence.
  EXPECT_EQ(board.Redraw({}, {"Café.mp4 99%"}, 5), "\x1b[1F\rCaf\x1b[K\n\x1b[J");
}

}  // namespace
