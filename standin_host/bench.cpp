#include "bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
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
  std::vector<std::string> syncCases = {"absent", "present"};
  bool syncPaced = false;  // sync frames at the source's rate rather than back to back
  int unixPid = 0;         // 0: no memory figures
};

// What the driver is asked for before each sync case (josm_link.h), and,
// where the case has one, between its answered warm-up frames and its timed
// ones.
struct SyncCase {
  const char* name;
  const char* command;
  const char* then = nullptr;
};
constexpr SyncCase kSyncCases[] = {
    {"absent", "stop"},                   // nothing listens: refused at once, as Linux does
    {"slow-refusal", "refuse-slowly"},    // refused after a second, as Windows refuses
    {"dropped", "drop"},                  // connection attempts unanswered, as behind a firewall
    {"dropped-after-answer", "start ok", "drop"},  // the same, with the last answer just before
    {"hang", "start hang"},               // accepted, read and never answered, as JOSM behind a modal dialog
    {"present", "start ok"},              // answered with 200
    {"resume", "start ok"},               // JOSM comes up within the quiet period after a slow refusal
};
// A frame that took this long waited for the network; the others did not.
constexpr int64_t kWaitedNs = 100'000'000;
// The module's quiet period after an unanswered request, and a little more.
constexpr DWORD kQuietPeriodPassedMs = 2100;

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
  // frame when the filter's requests may start threads of their own. Paced
  // frames start at the source's rate, as in playback; a late one starts at
  // once. Each frame's wall time goes to `each` when given.
  Times RenderFrames(int count, uint32_t points, int32_t& next, bool repairEachFrame, bool paced = false,
                     std::vector<int64_t>* each = nullptr) {
    FrameProcInfo frame{};
    unsigned char image[4] = {};
    frame.image = image;
    const int32_t frames = bench::TrackFrames(points);
    RepairThreadSegments();
    const Stopwatch stopwatch;
    int64_t waited = 0;
    for (int i = 0; i < count; ++i) {
      if (paced) {
        const int64_t due = int64_t{i} * 1'000'000'000 * bench::kScale / bench::kRate;
        const int64_t now = stopwatch.WallNanoseconds();
        if (due > now) {
          Sleep(static_cast<DWORD>((due - now) / 1'000'000));
          waited += stopwatch.WallNanoseconds() - now;
        }
      }
      frame.frame = next;
      if (repairEachFrame) RepairThreadSegments();
      const int64_t before = each ? stopwatch.WallNanoseconds() : 0;
      table_->frameCallback(&host_.filter, &frame);
      if (each) each->push_back(stopwatch.WallNanoseconds() - before);
      next = next + 1 == frames ? 0 : next + 1;
    }
    return {stopwatch.WallNanoseconds() - waited, stopwatch.CpuNanoseconds()};
  }

  void Frames(uint32_t points) {
    int32_t next = 0;
    RenderFrames(std::min(options_.frames, 1000), points, next, false);  // the font, the caches
    const Times times = RenderFrames(options_.frames, points, next, false);
    Print(Json({{"figure", "\"frame\""}, {"frames", Dec(options_.frames)}, {"wall_ns", Dec(times.wall)},
                {"cpu_ns", Dec(times.cpu)}}));
  }

  // The cases in the order asked for; JOSM absent is best first, while
  // nothing has connected to the port yet (sockets left in TIME_WAIT slow
  // refused connections down). The driver sets each case up when asked.
  int Sync(uint32_t points) {
    host_.checkValues[meridel::kCheckJosmSync] = 1;
    int failures = 0;
    for (const std::string& name : options_.syncCases) {
      const SyncCase* found = std::find_if(std::begin(kSyncCases), std::end(kSyncCases),
                                           [&](const SyncCase& c) { return name == c.name; });
      std::string error;
      if (found == std::end(kSyncCases)) {
        failures += Failed("no sync case " + Quoted(name));
      } else if (name == "resume") {
        failures += Resume(points);
      } else if (!josm_.Control(found->command, error)) {
        failures += Failed(error);
      } else {
        failures += SyncFrames(*found, points);
      }
    }
    host_.checkValues[meridel::kCheckJosmSync] = 0;
    return failures;
  }

  int SyncFrames(const SyncCase& syncCase, uint32_t points) {
    const std::string name = syncCase.name;
    int32_t next = 0;
    // The first request opens the HTTP session. Where JOSM does not answer,
    // a warm-up would only cost its time-out.
    if (name == "absent" || name == "present" || syncCase.then) RenderFrames(5, points, next, true);
    std::string error;
    if (syncCase.then) {
      if (!josm_.Control(syncCase.then, error)) return Failed(error);
    } else if (name != "present") {
      // Any quiet period of an earlier frame is over before the first timed one.
      Sleep(kQuietPeriodPassedMs);
    }
    josm_.Mark();
    std::vector<int64_t> each;
    const Stopwatch elapsed;
    const Times times = RenderFrames(options_.syncFrames, points, next, true, options_.syncPaced, &each);
    const int64_t elapsedNs = elapsed.WallNanoseconds();
    const size_t expected = name == "present" ? static_cast<size_t>(options_.syncFrames) : 0;
    const size_t requests = josm_.TakeRequests(expected).size();
    int64_t worst = 0;
    int64_t worstQuick = 0;
    int waits = 0;
    for (const int64_t ns : each) {
      worst = std::max(worst, ns);
      if (ns >= kWaitedNs) ++waits;
      else worstQuick = std::max(worstQuick, ns);
    }
    Print(Json({{"figure", "\"sync\""}, {"josm", Quoted(name)}, {"frames", Dec(options_.syncFrames)},
                {"paced", options_.syncPaced ? "true" : "false"}, {"wall_ns", Dec(times.wall)},
                {"cpu_ns", Dec(times.cpu)}, {"worst_ns", Dec(worst)}, {"waits", Dec(waits)},
                {"worst_quick_ns", Dec(worstQuick)}, {"elapsed_ns", Dec(elapsedNs)},
                {"requests_received", Dec(static_cast<int64_t>(requests))}}));
    return 0;
  }

  // One request is refused slowly, JOSM comes up, and frames go on at the
  // source's rate until one of their requests reaches it.
  int Resume(uint32_t points) {
    std::string error;
    if (!josm_.Control("refuse-slowly", error)) return Failed(error);
    int32_t next = 0;
    RenderFrames(5, points, next, true);
    Sleep(kQuietPeriodPassedMs);
    std::vector<int64_t> failed;
    RenderFrames(1, points, next, true, false, &failed);
    const Stopwatch sinceFailure;
    if (!josm_.Control("start ok", error)) return Failed(error);
    const int64_t upAfterFailure = sinceFailure.WallNanoseconds();
    const Stopwatch sinceUp;
    int frames = 0;
    const int64_t limitNs = 10'000'000'000;
    while (josm_.CountSinceMark() == 0 && sinceUp.WallNanoseconds() < limitNs) {
      RenderFrames(1, points, next, true);
      ++frames;
      Sleep(static_cast<DWORD>(1000 * bench::kScale / bench::kRate));
    }
    const bool resumed = josm_.CountSinceMark() > 0;
    Print(Json({{"figure", "\"sync\""}, {"josm", "\"resume\""}, {"failed_frame_ns", Dec(failed.at(0))},
                {"up_after_failure_ns", Dec(upAfterFailure)},
                {"resumed_after_ns", resumed ? Dec(sinceUp.WallNanoseconds()) : "null"},
                {"frames_until_resumed", Dec(frames)}}));
    return resumed ? 0 : Failed("no request reached the JOSM stand-in within 10 s of its start");
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
    } else if (args[i] == "--sync-cases" && hasValue) {
      options.syncCases.clear();
      const std::string& list = args[++i];
      for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        options.syncCases.push_back(list.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (args[i] == "--sync-paced") {
      options.syncPaced = true;
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
