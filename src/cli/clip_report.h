// What the command says of each clip before it encodes (caption) or instead
// of encoding (inspect), and where each clip's output goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "media/producer_facts.h"
#include "overlay/source_span.h"
#include "overlay/start_rule.h"

namespace meridel::cli {

// A clip as the command found it.
struct ClipSummary {
  std::string clip;  // as named on the command line
  media::ProducerFacts facts;
  int32_t rateNum = 0;
  int32_t rateDen = 1;
  int64_t frameCount = 0;
  StartKind asked = StartKind::kClip;  // the --start rule's kind
  SourceStart start{};                 // what it is aligned by
  int32_t clockDifference = 0;         // the --clock-difference the span includes
  MomentSpan span{};
  std::filesystem::path output;
  bool outputExists = false;
};

// OUTPUT_DIR (or the clip's folder) / the clip's name without its
// extension + `suffix` + ".mp4".
std::filesystem::path OutputPathOf(const std::filesystem::path& clip, const std::filesystem::path& outputDir,
                                   std::string_view suffix);

// The name an output is written under until it is complete: hidden, beside
// it, and the process's own.
std::filesystem::path PartialPathOf(const std::filesystem::path& output, long pid);

// "29.97", "25", "23.976": a frame rate to three decimals at most.
std::string RateText(int32_t rateNum, int32_t rateDen);

// "ride-1.mp4: aligned by the clip's creation time 2023-06-17 07:30:00 UTC,
// 2023-06-17 07:30:00 to 07:42:13 UTC, inside the track"; without a track,
// the span alone.
std::string AlignmentLine(const ClipSummary& clip, const std::optional<TrackTimes>& track);

// The warnings for a clip, one line each, without the command's prefix: a
// clip that records no creation time while --start is clip, and a clip
// whose moments lie partly or wholly outside the track (with, when a time
// zone's shift would put it inside, the --clock-difference that does).
std::vector<std::string> ClipWarnings(const ClipSummary& clip, const std::optional<TrackTimes>& track);

// inspect's lines for a clip: the clip's name, then indented facts.
std::string InspectText(const ClipSummary& clip, const std::optional<TrackTimes>& track, bool overwrite);

}  // namespace meridel::cli
