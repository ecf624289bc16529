#include "cli/progress.h"

#include "base/number_text.h"

namespace meridel::cli {
namespace {

double FramesPerSecond(const ClipProgress& p) { return p.seconds > 0.0 ? p.framesDone / p.seconds : 0.0; }

std::string FpsText(double fps) {
  std::string text;
  AppendFixed(text, fps, 1);
  return text + " fps";
}

int PercentDone(const ClipProgress& p) {
  return p.frameCount > 0 ? static_cast<int>(p.framesDone * 100 / p.frameCount) : 0;
}

std::string TimeLeft(const ClipProgress& p) {
  const double fps = FramesPerSecond(p);
  if (fps <= 0.0) return "";
  return ClockText(static_cast<double>(p.frameCount - p.framesDone) / fps) + " left";
}

// `text` cut to `width` bytes, never inside a UTF-8 sequence.
std::string Cut(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

std::string ClockText(double seconds) {
  const int64_t whole = seconds > 0.0 ? static_cast<int64_t>(seconds + 0.5) : 0;
  return DurationText(whole, {.first = DurationForm::kMinutes, .colons = true});
}

std::string ProgressLine(const ClipProgress& p) {
  std::string line = p.name + "  ";
  std::string percent = std::to_string(PercentDone(p)) + "%";
  line.append(percent.size() < 4 ? 4 - percent.size() : 0, ' ');
  line += percent;
  if (p.framesDone == 0) return line + "  starting";
  return line + "  " + FpsText(FramesPerSecond(p)) + "  " + TimeLeft(p);
}

int TenthsDone(const ClipProgress& p) {
  return p.frameCount > 0 ? static_cast<int>(p.framesDone * 10 / p.frameCount) : 0;
}

std::string PlainProgressLine(const ClipProgress& p) {
  std::string line = p.name + ": " + std::to_string(PercentDone(p)) + "% (" + std::to_string(p.framesDone) + " of " +
                     std::to_string(p.frameCount) + " frames";
  if (p.framesDone > 0) line += ", " + FpsText(FramesPerSecond(p));
  if (p.framesDone > 0 && p.framesDone < p.frameCount) line += ", " + TimeLeft(p);
  return line + ")";
}

std::string DoneLine(const ClipProgress& p, std::string_view output) {
  return p.name + ": captioned in " + ClockText(p.seconds) + " (" + FpsText(FramesPerSecond(p)) +
         "): " + std::string(output);
}

std::string SummaryLine(int captioned, int failed, double seconds, bool interrupted) {
  std::string line = interrupted ? "interrupted: " : "";
  line += std::to_string(captioned) + (captioned == 1 ? " clip" : " clips") + " captioned";
  if (failed > 0) line += ", " + std::to_string(failed) + " failed";
  return line + ", in " + ClockText(seconds);
}

std::string TerminalBoard::Redraw(const std::vector<std::string>& lasting, const std::vector<std::string>& live,
                                  size_t width) {
  std::string out;
  // Back to the start of the block; "\x1b[K" clears each line as it is rewritten.
  if (liveShown_ > 0) out += "\x1b[" + std::to_string(liveShown_) + "F";
  out += '\r';
  for (const std::string& line : lasting) out += line + "\x1b[K\n";
  for (const std::string& line : live) out += Cut(line, width > 1 ? width - 1 : width) + "\x1b[K\n";
  out += "\x1b[J";  // and whatever the block held below
  liveShown_ = live.size();
  return out;
}

}  // namespace meridel::cli
