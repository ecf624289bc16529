// The "GPS file" import of a whole file: load, walk and append, as the user
// gets it, through ImportGpx on the fake platform (no dialog, the message box
// only recorded). One import per process, as a user's first import runs on a
// heap that has not held a track yet, and as the tools compared with run:
// bench/run.sh starts the process several times for the small files.
#include "import_bench.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_host.h"
#include "support/fake_platform.h"
#include "track/gpx_file_dialog.h"
#include "track/track_store.h"

namespace bench {
namespace {

void ImportFile(benchmark::State& state, const std::string& path) {
  BenchHost host;
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
  for (auto _ : state) meridel::ImportGpx(path, host.state.track, host.state.settings.baseTime);

  const auto& boxes = fake::State().messageBoxes;
  const uint32_t points = host.state.track.Count();
  const std::string expected = "Read complete.\n" + std::to_string(points) + " points were imported.";
  if (boxes.empty() || boxes.back().text != expected || points == 0) {
    state.SkipWithError(("the import failed: " + (boxes.empty() ? std::string("no message") : boxes.back().text))
                            .c_str());
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
