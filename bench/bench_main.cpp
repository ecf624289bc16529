// Google Benchmark's own flags, and --gpx=FILE (repeatable): a generated GPX
// file whose import is timed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>

#include "import_bench.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  constexpr std::string_view kGpxFlag = "--gpx=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!argument.starts_with(kGpxFlag)) {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
    bench::RegisterImportBenchmark(std::string(argument.substr(kGpxFlag.size())));
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
