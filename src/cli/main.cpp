// The meridel command: `meridel caption` and `meridel inspect`.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/help_text.h"
#include "cli/runs.h"

int main(int argc, char** argv) {
  using namespace meridel::cli;
  // Standard error into a pipe that closed (`meridel caption ... | head`)
  // must not end a run with outputs half written: such writes fail instead.
  signal(SIGPIPE, SIG_IGN);
  try {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const Result<Invocation> parsed = ParseCommandLine(args);
    if (!parsed.ok()) {
      std::fprintf(stderr, "meridel: %s\n", parsed.failure().line.c_str());
      return kExitUsage;
    }
    const Invocation& invocation = *parsed;
    switch (invocation.verb) {
      case Verb::kHelp:
        std::fputs(HelpText(MERIDEL_VERSION).c_str(), stdout);
        return kExitSuccess;
      case Verb::kVersion:
        std::printf("meridel %s\n", MERIDEL_VERSION);
        return kExitSuccess;
      case Verb::kCaption:
        return RunCaption(invocation);
      case Verb::kInspect:
        return RunInspect(invocation);
    }
  } catch (const std::bad_alloc&) {
    std::fputs("meridel: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "meridel: %s\n", e.what());
  }
  return kExitFailure;
}
