#include "cli/reporter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace meridel::cli {
namespace {

size_t TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void Write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

Reporter::Reporter(bool quiet) : quiet_(quiet) {
  const char* term = std::getenv("TERM");
  terminal_ = isatty(STDERR_FILENO) && !(term && std::strcmp(term, "dumb") == 0);
}

void Reporter::Emit(const std::string& line) {
  if (!terminal_) {
    Write(line + "\n");
    return;
  }
  // Below a progress block, lines wait for its next redraw, which draws
  // them above the block as it is then.
  lasting_.push_back(line);
  if (!live_.empty()) return;
  Write(board_.Redraw(lasting_, live_, TerminalWidth()));
  lasting_.clear();
}

void Reporter::Say(const std::string& line) {
  if (!quiet_) Emit(line);
}

void Reporter::Warn(const std::string& line) {
  if (!quiet_) Emit("meridel: warning: " + line);
}

void Reporter::Fail(const std::string& line) { Emit("meridel: " + line); }

void Reporter::Progress(const std::vector<Running>& running) {
  if (quiet_) return;
  if (terminal_) {
    live_.clear();
    for (const Running& clip : running) live_.push_back(ProgressLine(clip.progress));
    Write(board_.Redraw(lasting_, live_, TerminalWidth()));
    lasting_.clear();
    return;
  }
  for (const Running& clip : running) {
    const int tenths = TenthsDone(clip.progress);
    const auto said = tenthsSaid_.try_emplace(clip.id, 0).first;
    if (tenths > said->second && tenths < 10) {
      said->second = tenths;
      Write(PlainProgressLine(clip.progress) + "\n");
    }
  }
}

void Reporter::EndProgress() {
  if (!terminal_ || (live_.empty() && lasting_.empty())) return;
  live_.clear();
  Write(board_.Redraw(lasting_, live_, TerminalWidth()));
  lasting_.clear();
}

}  // namespace meridel::cli
