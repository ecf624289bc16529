#include "bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "bench/idle_host_services.h"
#include "dialog_watcher.h"
#include "josm_link.h"
#include "module.h"
#include "text.h"
#include "thread_segments.h"

namespace standin {
namespace {

struct BenchOptions {
  std::string modulePath;
  std::vector<std::string> imports;
  std::string josmDirectory;  // empty: no sync figures
  int frames = 30000;
  int syncFrames = 200;
  int unixPid = 0;  // 0: no memory figures
};

// Wall time, and the CPU time of the calling thread (Wine reads it from the
// system in clock ticks: long runs only).
class Stopwatch {
 public:
  Stopwatch() : wallStart_(Wall()), cpuStart_(ThreadCpu()) {}
  int64_t WallNanoseconds() const { return Wall() - wallStart_; }
  int64_t CpuNanoseconds() const { return ThreadCpu() - cpuStart_; }

 private:
  static int64_t Wall() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart / frequency.QuadPart * 1'000'000'000 +
           now.QuadPart % frequency.QuadPart * 1'000'000'000 / frequency.QuadPart;
  }
  static int64_t ThreadCpu() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) {
      return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100;
  }
  int64_t wallStart_;
  int64_t cpuStart_;
};

// The memory figures of the Linux process that runs us, from its /proc files
// through Wine's Z: drive (by number: Wine's server opens the files, so
// /proc/self would be the server). Under Wine that process is the whole 32-bit
// process: the module, the host, Wine's libraries and, where 32-bit programs
// run through qemu's user-mode emulator, the emulator too.
std::string ReadSmallFile(const char* path) {
  std::string text;
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

class LinuxProcess {
 public:
  explicit LinuxProcess(int32_t pid) : directory_(pid > 0 ? "Z:\\proc\\" + Dec(pid) + "\\" : "") {}

  // A "Vm...:  123 kB" line of its status in bytes; -1 when unknown.
  int64_t Status(const std::string& field) const {
    if (directory_.empty()) return -1;
    const std::string status = ReadSmallFile((directory_ + "status").c_str());
    const size_t at = status.find("\n" + field + ":");
    if (at == std::string::npos) return -1;
    const size_t first = status.find_first_not_of(" \t", at + field.size() + 2);
    const size_t last = first == std::string::npos ? first : status.find(' ', first);
    if (last == std::string::npos) return -1;
    const auto kib = ParseInt(std::string_view(status).substr(first, last - first));
    return kib ? int64_t{*kib} * 1024 : -1;
  }

  // Starts the peak resident set (VmHWM) again from the current one.
  void ResetPeakResident() const {
    if (directory_.empty()) return;
    const HANDLE file =
        CreateFileA((directory_ + "clear_refs").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, "5", 1, &written, nullptr);
    CloseHandle(file);
  }

 private:
  std::string directory_;
};

std::string Json(std::initializer_list<std::pair<const char*, std::string>> fields) {
  std::string line = "{";
  for (const auto& [name, value] : fields) {
    if (line.size() > 1) line += ", ";
    line += Quoted(name) + ": " + value;
  }
  return line + "}\n";
}

class Bench {
 public:
  explicit Bench(const BenchOptions& options)
      : options_(options), josm_(options.josmDirectory), process_(options.unixPid) {}

  int Run() {
    std::string error;
    module_ = Module::Load(options_.modulePath, error);
    if (!module_) return Failed(error);
    FilterTable* const table = module_->GetFilterTable();
    if (!table || table->trackCount < 8 || table->checkCount < 6) return Failed("the registration record is unusable");
    table_ = table;
    host_.Adopt(*table);
    bench::SetIdleServices(host_.services);

    RepairThreadSegments();
    if (table->startupCallback(&host_.filter) != 1) return Failed("start-up failed");
    RepairThreadSegments();
    table->windowCallback(nullptr, kMsgSourceOpened, 0, 0, this, &host_.filter);
    int failures = 0;
    uint32_t points = 0;
    for (const std::string& path : options_.imports)
      if (!Import(path, points)) ++failures;
    if (points == 0) {
      failures += Failed("no track to render");
    } else {
      Frames(points);
      if (josm_.Available()) failures += Sync(points);
    }
    RepairThreadSegments();
    table->exitCallback(&host_.filter);
    return failures ? 1 : 0;
  }

 private:
  int Failed(const std::string& what) {
    Print(Json({{"error", Quoted(what)}}));
    return 1;
  }

  int32_t Press(int button) {
    RepairThreadSegments();
    return table_->windowCallback(nullptr, WM_COMMAND, kFirstCommandId + button, 0, this, &host_.filter);
  }

  // The "GPS file" button with the file typed into the dialog. The time
  // includes the dialog and the message box, which bench/run.sh subtracts by
  // importing a one-point file too.
  bool Import(const std::string& path, uint32_t& points) {
    DialogAnswer answer;
    answer.kind = DialogKind::FileOpen;
    answer.file = WindowsPath(path);
    process_.ResetPeakResident();
    const int64_t residentBefore = process_.Status("VmRSS");
    const Stopwatch stopwatch;
    DialogWatcher watcher(GetCurrentThreadId(), answer);
    Press(meridel::kCheckGpsFile);
    const DialogRecord record = watcher.Finish();
    const int64_t wall = stopwatch.WallNanoseconds();
    const int64_t cpu = stopwatch.CpuNanoseconds();
    const int64_t residentPeak = process_.Status("VmHWM");
    const std::string prefix = "Read complete.\n";
    const std::string message = record.messages.size() == 1 ? record.messages[0] : std::string();
    const size_t countEnd = message.find(' ', prefix.size());
    const auto count = message.rfind(prefix, 0) == 0 && countEnd != std::string::npos
                           ? ParseInt(std::string_view(message).substr(prefix.size(), countEnd - prefix.size()))
                           : std::nullopt;
    if (!record.answered || !count) {
      Failed("the import of " + path + " did not complete: " + Quoted(message));
      return false;
    }
    points = static_cast<uint32_t>(*count);
    Print(Json({{"figure", "\"import\""}, {"points", Dec(points)}, {"wall_ns", Dec(wall)},
                {"cpu_ns", Dec(cpu)}, {"resident_before", Dec(residentBefore)},
                {"resident_peak", Dec(residentPeak)}}));
    return true;
  }

  struct Times {
    int64_t wall;
    int64_t cpu;
  };

  // Frames in order over the track, starting again at 0 after its last. The
  // thread segments are repaired before the first frame, or before every
  // frame when the filter's requests may start threads of their own.
  Times RenderFrames(int count, uint32_t points, int32_t& next, bool repairEachFrame) {
    FrameProcInfo frame{};
    unsigned char image[4] = {};
    frame.image = image;
    const int32_t frames = bench::TrackFrames(points);
    RepairThreadSegments();
    const Stopwatch stopwatch;
    for (int i = 0; i < count; ++i) {
      frame.frame = next;
      if (repairEachFrame) RepairThreadSegments();
      table_->frameCallback(&host_.filter, &frame);
      next = next + 1 == frames ? 0 : next + 1;
    }
    return {stopwatch.WallNanoseconds(), stopwatch.CpuNanoseconds()};
  }

  void Frames(uint32_t points) {
    int32_t next = 0;
    RenderFrames(std::min(options_.frames, 1000), points, next, false);  // the font, the caches
    const Times times = RenderFrames(options_.frames, points, next, false);
    Print(Json({{"figure", "\"frame\""}, {"frames", Dec(options_.frames)}, {"wall_ns", Dec(times.wall)},
                {"cpu_ns", Dec(times.cpu)}}));
  }

  // JOSM absent first, while nothing has connected to the port yet (sockets
  // left in TIME_WAIT slow refused connections down), then present: the
  // driver starts the stand-in when asked.
  int Sync(uint32_t points) {
    host_.checkValues[meridel::kCheckJosmSync] = 1;
    int failures = 0;
    for (const bool present : {false, true}) {
      std::string error;
      if (present && !josm_.Control("start ok", error)) {
        failures += Failed(error);
        break;
      }
      const int warmUp = 5;  // the first opens the HTTP session
      int32_t next = 0;
      RenderFrames(warmUp, points, next, true);
      josm_.TakeRequests(present ? static_cast<size_t>(warmUp) : 0);
      const Times times = RenderFrames(options_.syncFrames, points, next, true);
      const size_t requests = josm_.TakeRequests(present ? static_cast<size_t>(options_.syncFrames) : 0).size();
      Print(Json({{"figure", "\"sync\""}, {"josm", present ? "\"present\"" : "\"absent\""},
                  {"frames", Dec(options_.syncFrames)}, {"wall_ns", Dec(times.wall)}, {"cpu_ns", Dec(times.cpu)},
                  {"requests_received", Dec(static_cast<int64_t>(requests))}}));
    }
    host_.checkValues[meridel::kCheckJosmSync] = 0;
    return failures;
  }

  const BenchOptions& options_;
  JosmLink josm_;
  LinuxProcess process_;
  std::unique_ptr<Module> module_;
  FilterTable* table_ = nullptr;
  HostFilterRecord host_;
};

}  // namespace

int BenchMain(const std::vector<std::string>& args) {
  BenchOptions options;
  if (args.empty()) return 2;
  options.modulePath = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--josm" && hasValue) {
      options.josmDirectory = args[++i];
    } else if ((args[i] == "--frames" || args[i] == "--sync-frames" || args[i] == "--unix-pid") && hasValue) {
      const auto count = ParseInt(args[i + 1]);
      if (!count || *count <= 0) return 2;
      (args[i] == "--frames" ? options.frames : args[i] == "--unix-pid" ? options.unixPid : options.syncFrames) = *count;
      ++i;
    } else {
      options.imports.push_back(args[i]);
    }
  }
  if (options.imports.empty()) return 2;
  return Bench(options).Run();
}

}  // namespace standin
