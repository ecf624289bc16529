// MLT's framework for the command's process: started once, with its log
// routed to the clips whose services speak, and the meridel filter found.
#pragma once

#include <string>
#include <vector>

#include "cli/result.h"

extern "C" {
#include <framework/mlt_service.h>
}

namespace meridel::cli {

// Starts MLT's factory from its repository (MLT_REPOSITORY, as for melt)
// for up to `clipsAtOnce` clips open together. A failure when the command
// cannot go on: MLT lacks its avformat module, or, with `needFilter`, the
// meridel filter.
Result<> StartMlt(int clipsAtOnce, bool needFilter);

struct LogLine {
  mlt_service service;
  int level;  // MLT_LOG_ERROR, MLT_LOG_WARNING...
  std::string text;
};

// The lines MLT logs on a clip's services (its producer, filter and
// consumer), kept for the clip `clip` until taken. Warnings and worse only.
void WatchService(mlt_service service, int clip);
void ForgetService(mlt_service service);
std::vector<LogLine> TakeLogLines(int clip);

}  // namespace meridel::cli
