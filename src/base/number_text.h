// Numbers and durations written into captions, requests and messages,
// independent of the process locale: "." as decimal point, no grouping, no
// plus sign unless asked for.
#pragma once

#include <cstdint>
#include <string>

namespace meridel {

// Fixed-point with exactly `decimals` digits after the point (0 to 8; others
// are taken as the nearer of those), rounded as std::to_chars rounds: to
// nearest from the exact binary value, ties to even. (35.5, 8) ->
// "35.50000000", (29.97002997, 2) -> "29.97", (0.25, 1) -> "0.2", (7.5, 0) -> "8".
void AppendFixed(std::string& out, double value, int decimals);

// Plain decimal, filled on the left with '0' up to minWidth digits.
void AppendDecimal(std::string& out, int64_t value, int minWidth = 0);

// How DurationText writes a duration: its fields from the largest that is
// not 0, or from `first` when that one is larger; every field after the
// first two digits wide.
struct DurationForm {
  enum Field { kSeconds, kMinutes, kHours };
  Field first = kSeconds;
  // "1:02:03", the hours the largest field; else "1 h 02 min 03 s", the days.
  bool colons = false;
  int firstDigits = 1;    // the first field filled with '0' to this many digits
  bool plusSign = false;  // '+' before a duration that is not negative ('-' before one that is, always)
};

// A duration in whole seconds. The words: "0 s", "45 s", "1 min 05 s",
// "2 h 03 min 05 s", "3 d 02 h 00 min 00 s", "-12 s". With colons: "0:35" and
// "1:02:03" (first kMinutes), "0:12:13" (first kHours), "+01:00:05" (first
// kHours, firstDigits 2, plusSign), "27:00:00" (no days).
std::string DurationText(int64_t seconds, DurationForm form = {});

}  // namespace meridel
