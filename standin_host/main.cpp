// The stand-in host: loads meridel.auf as the host editor does and either
// checks its registration record or runs scripted editing sessions.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "bench.h"
#include "scenario.h"
#include "session.h"
#include "table_check.h"
#include "text.h"
#include "thread_segments.h"

namespace {

constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Dialogs change the current folder, so every path is made absolute first.
std::string AbsolutePath(const std::string& path) {
  const std::string windowsPath = standin::WindowsPath(path);
  char full[MAX_PATH * 4];
  const DWORD length = GetFullPathNameA(windowsPath.c_str(), sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : windowsPath;
}

int Usage() {
  standin::Print(
      "usage: standin_host table <meridel.auf>\n"
      "       standin_host session <meridel.auf> <output-dir> [--josm <dir>] <scenario>...\n"
      "       standin_host bench <meridel.auf> [options] <gpx>...   (timings for bench/run.sh; see bench.h)\n"
      "Each scenario runs on a freshly loaded module; pictures go to <output-dir>/<scenario name>/.\n"
      "--josm names the folder of the JOSM stand-in that tests/e2e/run_e2e.sh runs beside us.\n");
  return kUsage;
}

int Table(const std::string& modulePath) {
  std::string error;
  const auto module = standin::Module::Load(AbsolutePath(modulePath), error);
  if (!module) {
    standin::Print(error + "\n");
    return kFailed;
  }
  const std::vector<std::string> differences = standin::CheckFilterTable(*module);
  for (const std::string& difference : differences) standin::Print("DIFFERS: " + difference + "\n");
  standin::Print(differences.empty() ? "the registration record matches\n" : "the registration record differs\n");
  return differences.empty() ? kPassed : kFailed;
}

int Sessions(const std::vector<std::string>& args) {
  standin::SessionOptions options;
  options.modulePath = AbsolutePath(args[0]);
  options.outputDirectory = AbsolutePath(args[1]);
  std::vector<std::string> paths;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--josm" && i + 1 < args.size()) options.josmDirectory = AbsolutePath(args[++i]);
    else paths.push_back(AbsolutePath(args[i]));
  }
  if (paths.empty()) return Usage();

  // Every scenario is read and checked before the first one runs.
  std::vector<standin::Scenario> scenarios;
  for (const std::string& path : paths) {
    std::string error;
    auto scenario = standin::LoadScenario(path, error);
    if (!scenario) {
      standin::Print(error + "\n");
      return kUsage;
    }
    scenarios.push_back(std::move(*scenario));
  }
  standin::StartComServerThread();
  int failedScenarios = 0;
  for (const standin::Scenario& scenario : scenarios)
    if (standin::RunScenario(scenario, options) > 0) ++failedScenarios;
  const std::string summary = standin::Dec(static_cast<int64_t>(scenarios.size())) + " scenarios, " +
                              standin::Dec(failedScenarios) + " failed\n";
  standin::Print(summary);
  // Every module is unloaded by now. Under the i386 emulator Wine's teardown
  // can still crash (thread_segments.h) when a server kept a connection open
  // in WinINet's pool, as JOSM does: the file keeps the verdict for the caller.
  std::ofstream(options.outputDirectory + "\\verdict", std::ios::binary) << summary;
  return failedScenarios ? kFailed : kPassed;
}

}  // namespace

int main(int argc, char** argv) {
  // A crash must end the run with a code, not an error dialog waiting for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "table") return Table(args[1]);
  if (args.size() >= 4 && args[0] == "session") return Sessions({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "bench") return standin::BenchMain({args.begin() + 1, args.end()});
  return Usage();
}
