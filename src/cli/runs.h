// The command's verbs over their clips: what `meridel caption` and
// `meridel inspect` do once their options have been read.
#pragma once

#include "cli/command_line.h"

namespace meridel::cli {

// Each returns the command's exit status.
int RunCaption(const Invocation& invocation);
int RunInspect(const Invocation& invocation);

}  // namespace meridel::cli
