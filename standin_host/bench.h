// Times the real module from inside this 32-bit process, for bench/run.sh:
// the frame callback per frame, the "GPS file" import with the peak memory
// of the process, and frames with "JOSM sync" ticked through the system's
// HTTP client.
#pragma once

#include <string>
#include <vector>

namespace standin {

// bench <meridel.auf> [--josm DIR] [--frames N] [--sync-frames N]
//       [--sync-cases CASE,...] [--sync-paced] [--unix-pid N] <gpx>...
// Imports the files in order and renders the last one's track. --josm names
// the JOSM stand-in's folder (josm_link.h): without it, no sync figures.
// The sync cases (default absent,present; see bench.cpp): absent,
// slow-refusal, dropped, dropped-after-answer (the first timed frame right after answered ones),
// hang and present time --sync-frames frames each (back to back, or at the source's rate with
// --sync-paced) with their worst frame; resume times how
// long after JOSM comes up requests reach it again.
// --unix-pid names the Linux process that runs us, for its memory figures.
// Prints one JSON line per figure. Returns 0, 1 when a step failed, 2 for
// arguments it cannot use.
int BenchMain(const std::vector<std::string>& args);

}  // namespace standin
