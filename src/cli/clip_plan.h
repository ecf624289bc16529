// One clip's plan: what the command does with it, decided once from the
// invocation and what the clip holds, then handed to each step in place of
// the invocation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli/clip_report.h"
#include "cli/command_line.h"
#include "cli/result.h"

namespace meridel::cli {

// The meridel filter's properties: name and text, as MLT reads them.
using Properties = std::vector<std::pair<std::string, std::string>>;

struct ClipPlan {
  int id = 0;           // the clip's place on the command line: it keys its log lines and progress
  ClipSummary summary;  // what is said of it: its facts, its start, its moments, its output
  Properties filter;    // the caption settings given, in the texts given, under their MLT names
  std::filesystem::path partial;  // written until whole, then renamed to the output
  bool overwrite = false;         // whether an output that exists is replaced
};

// The plan for clip `id` of `invocation`, which `clip` describes (its name,
// facts, rate and frame count), on a track whose first point is at
// `trackStart`. A failure, naming the clip, when its output would be the
// clip itself.
Result<ClipPlan> PlanClip(ClipSummary clip, int id, const Invocation& invocation, int32_t trackStart);

}  // namespace meridel::cli
