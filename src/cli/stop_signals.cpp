#include "cli/stop_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "cli/command_line.h"

namespace meridel::cli {
namespace {

constexpr size_t kPathBytes = 4096;

// What the handler may touch: atomics and fixed buffers, each written while
// its slot's flag is down.
struct PartialSlot {
  std::atomic<bool> used{false};
  char path[kPathBytes];
};
PartialSlot slots[kJobsRange.maximum];
std::atomic<int> stopSignal{0};

void OnStopSignal(int signal) {
  if (stopSignal.exchange(signal) == 0) return;
  // The second signal: the user will not wait for a clean stop.
  for (PartialSlot& slot : slots) {
    if (slot.used.load()) unlink(slot.path);
  }
  _exit(128 + signal);
}

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);  // the terminal closed
}

int StopSignal() { return stopSignal.load(); }

void KeepPartial(int slot, const std::string& path) {
  if (slot < 0 || slot >= kJobsRange.maximum || path.size() >= kPathBytes) return;
  slots[slot].used.store(false);
  std::memcpy(slots[slot].path, path.c_str(), path.size() + 1);
  slots[slot].used.store(true);
}

void ForgetPartial(int slot) {
  if (slot >= 0 && slot < kJobsRange.maximum) slots[slot].used.store(false);
}

}  // namespace meridel::cli
