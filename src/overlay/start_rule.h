// What the Linux hosts count a source's moments from: the creation time its
// container records, the track's first point (the DLL's rule), or a time
// the user gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meridel {

enum class StartKind { kClip, kTrack, kTime };

struct StartRule {
  StartKind kind = StartKind::kClip;
  int32_t time = 0;  // UTC seconds, for kTime
};

// "clip", "track", or an ISO 8601 UTC time: "2023-06-17T07:30:00Z" (a space
// for the T, fractions of a second, and "+02:00" or "+0200" offsets are
// read too; a time without a zone is UTC). White space around is ignored.
std::optional<StartRule> ParseStartRule(std::string_view text);

// The ISO 8601 time alone, as UTC seconds; nothing outside the 32-bit
// range of track times, for impossible dates or for any other text.
// Containers' creation times read the same way ("2015-06-01T10:20:00.000000Z").
std::optional<int32_t> ParseUtcTime(std::string_view text);

// The time a source's first frame was shot, and what it was taken from.
struct SourceStart {
  int32_t time;
  StartKind kind;  // kTrack also when the rule said kClip but the clip has no creation time
};

// The rule applied to one source: `creationTime` is its container's, if it
// records one; `trackStart` the track's first point's time.
SourceStart ResolveStart(StartRule rule, std::optional<int32_t> creationTime, int32_t trackStart);

// "aligned by the clip's creation time 2023-06-17 07:30:00 UTC", or by "the
// track's first point", or by "the start time".
std::string DescribeStart(SourceStart start);

// What every host says of a source that the rule kClip aligned otherwise, as
// it records no creation time: "ride.mp4 records no creation time: " and
// `instead` (what it is aligned by, and how to change that).
std::string NoCreationTimeText(std::string_view source, std::string_view instead);

// "YYYY-MM-DD hh:mm:ss" of UTC seconds.
std::string UtcText(int64_t seconds);

}  // namespace meridel
