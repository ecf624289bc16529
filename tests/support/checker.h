// What the host checkers share: the programs that a host test runs beside a
// real host (ffmpeg, melt, the meridel command, the editors, mpv) to say
// what the core expects of it. A checker that cannot check (a bad argument,
// an unreadable file, a track without points) fails with exit status 2; a
// check that ran and found a fault is the checker's own status 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drawing/picture.h"
#include "josm/josm_request.h"
#include "overlay/caption_settings.h"
#include "track/track_store.h"

namespace test_support {

// Prints "CHECKER: why" to stderr and exits 2.
[[noreturn]] void Fail(const std::string& why);

// A GPX file's track as the filters import it: its points and its base time.
struct Track {
  meridel::TrackStore store;
  int32_t baseTime = 0;
};

// Imports the GPX file into `track`; fails unless it gives a point.
void Import(const std::string& gpxFile, Track& track);

// The file's bytes; none when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);
// A file of raw frames of `frameBytes` each: fails unless it holds whole
// frames, at least one, and `count` of them when given.
std::vector<uint8_t> ReadFrames(const std::string& path, size_t frameBytes, std::optional<size_t> count = {});

// "NAME=VALUE" as NAME and VALUE; fails without an "=".
std::pair<std::string, std::string> NameAndValue(const std::string& given);

// The setting a filter property (its MLT name) sets, if any.
std::optional<meridel::CaptionSetting> SettingNamed(const std::string& mltName);
// Sets the setting of the MLT property `name` from its text, as the filter
// does; fails on a name that sets none or a refused text.
void SetProperty(meridel::CaptionSettings& settings, const std::string& name, const std::string& value);

// Draws `text` onto `picture` as the filters draw their caption, with the
// core's own painter; fails on anything the painter says (a font not
// found, a caption too large).
void DrawCaption(const meridel::CaptionSettings& settings, const meridel::drawing::Picture& picture,
                 std::string_view text);

// The caption's two lines on one, `between` in place of the line break.
std::string OneLine(std::string caption, std::string_view between);

// The path of the JOSM request (without its "/") that the filters send for
// `moment`: at the position the track gives then. Moves the track's cursor.
std::string JosmRequestAt(Track& track, meridel::JosmCommand command, int32_t zoom, int64_t moment);

}  // namespace test_support
