// The "GPS file" import of a whole file: load, walk and append, as the user
// gets it, through ImportGpxFile (no dialog, no message box). One import per process, as a user's first import runs on a
// heap that has not held a track yet, and as the tools compared with run:
// bench/run.sh starts the process several times for the small files.
#include "import_bench.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_host.h"
#include "track/gpx_import.h"
#include "track/track_store.h"

namespace bench {
namespace {

void ImportFile(benchmark::State& state, const std::string& path) {
  BenchHost host;
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
  meridel::ImportMessage message{};
  for (auto _ : state) message = meridel::ImportGpxFile(path.c_str(), host.state.track, host.state.settings.baseTime);

  const uint32_t points = host.state.track.Count();
  const std::string expected = "Read complete.\n" + std::to_string(points) + " points were imported.";
  if (message.text != expected || points == 0) {
    state.SkipWithError((std::string("the import failed: ") + message.text).c_str());
    return;
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * points);
  state.counters["points"] = points;
}

}  // namespace

void RegisterImportBenchmark(const std::string& path) {
  const std::string name = "ImportGpx/" + std::filesystem::path(path).filename().string();
  benchmark::RegisterBenchmark(name.c_str(), ImportFile, path)->Iterations(1)->Unit(benchmark::kMillisecond);
}

}  // namespace bench
