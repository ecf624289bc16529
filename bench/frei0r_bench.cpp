// meridel.so's own cost per 1080p frame: f0r_update on frames in order at
// 29.97 fps, beside a plain copy of the same frame between the same buffers
// (what any frei0r filter that leaves the picture alone costs).
//
//   meridel_frei0r_bench --plugin=meridel.so [Google Benchmark's flags]
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <frei0r.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr unsigned kWidth = 1920;
constexpr unsigned kHeight = 1080;
constexpr double kRate = 30000.0 / 1001.0;
constexpr int kTrackPoints = 2000;  // longer than the frames a run reaches

std::string pluginPath;

// Opaque pixels of no pattern, as a camera's frame is to the caption.
struct Frames {
  Frames() : in(size_t{kWidth} * kHeight), out(in.size()) {
    std::mt19937 random(1);
    for (uint32_t& pixel : in) pixel = random() | 0xFF000000u;
  }
  std::vector<uint32_t> in;
  std::vector<uint32_t> out;
};

// One point a second, moving a little each second.
std::string WriteTrack() {
  char path[] = "/tmp/meridel-frei0r-bench-XXXXXX.gpx";
  const int fd = mkstemps(path, 4);
  FILE* file = fd < 0 ? nullptr : fdopen(fd, "w");
  if (!file) return {};
  std::fprintf(file, "<gpx version=\"1.1\"><trk><trkseg>\n");
  for (int i = 0; i < kTrackPoints; ++i) {
    std::fprintf(file, "<trkpt lat=\"%.7f\" lon=\"%.7f\"><time>2015-06-01T%02d:%02d:%02dZ</time></trkpt>\n",
                 46.5 + i * 1e-5, 7.5 + i * 2e-5, 10 + i / 3600, i / 60 % 60, i % 60);
  }
  std::fprintf(file, "</trkseg></trk></gpx>\n");
  std::fclose(file);
  return path;
}

void BM_FrameCopy(benchmark::State& state) {
  Frames frames;
  for (auto _ : state) {
    std::memcpy(frames.out.data(), frames.in.data(), frames.in.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(frames.out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("memcpy of a 1920x1080 RGBA frame");
}
BENCHMARK(BM_FrameCopy);

void BM_Frei0rUpdate(benchmark::State& state) {
  void* plugin = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  const std::string track = WriteTrack();
  if (!plugin || track.empty()) {
    state.SkipWithError(plugin ? "cannot write the track" : dlerror());
    return;
  }
  auto init = reinterpret_cast<int (*)()>(dlsym(plugin, "f0r_init"));
  auto construct = reinterpret_cast<f0r_instance_t (*)(unsigned, unsigned)>(dlsym(plugin, "f0r_construct"));
  auto destruct = reinterpret_cast<void (*)(f0r_instance_t)>(dlsym(plugin, "f0r_destruct"));
  auto set = reinterpret_cast<void (*)(f0r_instance_t, f0r_param_t, int)>(dlsym(plugin, "f0r_set_param_value"));
  auto update = reinterpret_cast<void (*)(f0r_instance_t, double, const uint32_t*, uint32_t*)>(
      dlsym(plugin, "f0r_update"));
  init();
  f0r_instance_t instance = construct(kWidth, kHeight);
  // The defaults but for the track and the unit: "gpx file" is 0, "time unit" 11.
  const char* gpx = track.c_str();
  const char* seconds = "s";
  set(instance, &gpx, 0);
  set(instance, &seconds, 11);

  Frames frames;
  int64_t frame = 0;
  for (auto _ : state) {
    update(instance, static_cast<double>(frame) / kRate, frames.in.data(), frames.out.data());
    benchmark::DoNotOptimize(frames.out.data());
    benchmark::ClobberMemory();
    frame = frame + 1 == 30 * kTrackPoints / 2 ? 0 : frame + 1;
  }
  destruct(instance);
  std::remove(track.c_str());
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("1920x1080, frames in order at 29.97 fps, default caption");
}
BENCHMARK(BM_Frei0rUpdate);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  constexpr std::string_view kPluginFlag = "--plugin=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!argument.starts_with(kPluginFlag)) {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
    pluginPath = argument.substr(kPluginFlag.size());
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
