#include "overlay/start_rule.h"

#include <chrono>

#include "base/c_locale_space.h"
#include "overlay/caption.h"

namespace meridel {
namespace {

// Reads exactly `digits` decimal digits.
bool ReadDigits(std::string_view& text, int digits, int& value) {
  if (text.size() < static_cast<size_t>(digits)) return false;
  value = 0;
  for (int i = 0; i < digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  text.remove_prefix(digits);
  return true;
}

bool Take(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<int32_t> ParseUtcTime(std::string_view text) {
  text = TrimCLocaleSpace(text);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadDigits(text, 4, year) || !Take(text, '-') || !ReadDigits(text, 2, month) || !Take(text, '-') ||
      !ReadDigits(text, 2, day) || !(Take(text, 'T') || Take(text, ' ')) || !ReadDigits(text, 2, hour) ||
      !Take(text, ':') || !ReadDigits(text, 2, minute) || !Take(text, ':') || !ReadDigits(text, 2, second)) {
    return std::nullopt;
  }
  if (Take(text, '.') || Take(text, ',')) {
    // Fractions of a second: the moment is the whole second they belong to.
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    while (!text.empty() && text.front() >= '0' && text.front() <= '9') text.remove_prefix(1);
  }
  int offset = 0;
  if (!text.empty() && !Take(text, 'Z')) {
    const int sign = text.front() == '-' ? -1 : 1;
    if (!Take(text, '+') && !Take(text, '-')) return std::nullopt;
    int hours = 0, minutes = 0;
    if (!ReadDigits(text, 2, hours)) return std::nullopt;
    Take(text, ':');
    if (!text.empty() && !ReadDigits(text, 2, minutes)) return std::nullopt;
    if (hours > 18 || minutes > 59) return std::nullopt;
    offset = sign * (hours * 3600 + minutes * 60);
  }
  if (!text.empty()) return std::nullopt;

  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  // 23:59:60, a leap second, is read as the second after 23:59:59.
  if (!date.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const int64_t days = std::chrono::sys_days{date}.time_since_epoch().count();
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offset;
  if (seconds < INT32_MIN || seconds > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(seconds);
}

std::optional<StartRule> ParseStartRule(std::string_view text) {
  text = TrimCLocaleSpace(text);
  if (text == "clip") return StartRule{StartKind::kClip, 0};
  if (text == "track") return StartRule{StartKind::kTrack, 0};
  if (const std::optional<int32_t> time = ParseUtcTime(text)) return StartRule{StartKind::kTime, *time};
  return std::nullopt;
}

SourceStart ResolveStart(StartRule rule, std::optional<int32_t> creationTime, int32_t trackStart) {
  switch (rule.kind) {
    case StartKind::kClip:
      if (creationTime) return {*creationTime, StartKind::kClip};
      return {trackStart, StartKind::kTrack};
    case StartKind::kTime:
      return {rule.time, StartKind::kTime};
    case StartKind::kTrack:
      break;
  }
  return {trackStart, StartKind::kTrack};
}

std::string UtcText(int64_t seconds) {
  std::string text;
  AppendDateTime(text, seconds);
  return text;
}

std::string DescribeStart(SourceStart start) {
  const char* what = start.kind == StartKind::kClip    ? "the clip's creation time "
                     : start.kind == StartKind::kTrack ? "the track's first point "
                                                       : "the start time ";
  return std::string("aligned by ") + what + UtcText(start.time) + " UTC";
}

std::string NoCreationTimeText(std::string_view source, std::string_view instead) {
  std::string text(source);
  text += " records no creation time: ";
  text += instead;
  return text;
}

}  // namespace meridel
