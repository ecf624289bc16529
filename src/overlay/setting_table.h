// Every caption setting once: what each host calls it, its kind, default,
// range and description. The hosts' settings, help, metadata and panels are
// made from these rows, so that a user moving between hosts writes and
// reads the same texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "overlay/caption_settings.h"

namespace meridel {

// What a setting's text holds; each host shows it with its own widget.
enum class SettingKind {
  kPath,         // a file's path
  kText,         // a text read by the setting's own rule (an offset, a time)
  kFont,         // a font family, pattern or file
  kFraction,     // a decimal share of the frame, 0 to 1
  kPixelSize,    // a whole number in range, or empty for automatic
  kWholeNumber,  // a whole number in range
  kColour,
  kYesNo,
};

struct SettingRange {
  int32_t minimum;
  int32_t maximum;
};

inline constexpr SettingRange kFractionRange{0, 1};
inline constexpr SettingRange kFontSizeRange{1, kMaxFontSize};
inline constexpr SettingRange kJosmZoomRange{-10, 10};

// Each host's name of a setting. Empty: the host does not offer it.
struct SettingNames {
  std::string_view frei0r;  // the frei0r parameter, by which hosts list it
  std::string_view mlt;     // the MLT property (Kdenlive, Shotcut, melt and the command set it)
  std::string_view mpv;     // the mpv script option, after mpv's "meridel-" prefix
  std::string_view option;  // the meridel command's option
  // The Windows editor's controls that set it, as its filter record names them.
  std::array<std::string_view, 3> editor;
};

struct SettingRow {
  CaptionSetting id;
  SettingNames names;
  SettingKind kind;
  std::string_view defaultText;  // reads as the value CaptionSettings{} holds
  std::optional<SettingRange> range;
  std::string_view title;  // a panel's label
  // What it sets and the texts it takes, lower case and without a final
  // stop, so that each host frames it as a phrase or a sentence. "{range}"
  // stands for the range ("1 to 1024"), "{josm}" for JOSM's address.
  std::string_view description;
  // What a refused text should have been ("an offset such as +02:00"), with
  // "{range}" as above.
  std::string_view expected;
  std::string_view placeholder;  // the command's name for the value: OFFSET
  std::string_view example;      // a value as a user writes it
};

// In CaptionSetting's order; frei0r hosts take the parameters in this order.
inline constexpr SettingRow kSettingTable[] = {
    {CaptionSetting::kGpxFile,
     {"gpx file", "resource", "gpx", "--gpx", {"GPS file"}},
     SettingKind::kPath,
     "",
     std::nullopt,
     "GPX file",
     "the GPX file's path; the points of its first track segment are the camera's positions",
     "a GPX file's path",
     "TRACK.gpx",
     "~/tracks/ride.gpx"},
    {CaptionSetting::kUtcOffset,
     {"utc offset", "utc_offset", "utc-offset", "--utc-offset", {"UTC H", "UTC M"}},
     SettingKind::kText,
     "+00:00",
     std::nullopt,
     "UTC offset",
     "the local clock's offset from UTC, for the date and time shown: +02:00, -03:30, +9, 0 or Z; at most 18 hours",
     "an offset such as +02:00 or -03:30",
     "OFFSET",
     "+02:00"},
    {CaptionSetting::kClockDifference,
     {"clock difference", "clock_difference", "clock-difference", "--clock-difference", {"Diff H", "Diff M", "Diff S"}},
     SettingKind::kText,
     "+00:00:00",
     std::nullopt,
     "Clock difference",
     "added to every frame's time, for a camera clock off the GPS clock: -00:00:05, +1:30:00, -2:05 (minutes and "
     "seconds), +12 (seconds)",
     "a difference such as -00:00:05 or +1:30:00",
     "DIFF",
     "-00:00:05"},
    {CaptionSetting::kStart,
     {"", "start", "start", "--start", {}},  // frei0r hosts pass no source times
     SettingKind::kText,
     "clip",
     std::nullopt,
     "Start",
     "what the frames' times in their source count from: clip (the creation time that the clip's file records, such "
     "as the creation_time tag of MP4 and MOV; a clip without one counts from the track, and the log says so), track "
     "(the first track point's time), or a UTC time such as 2023-06-17T07:30:00Z at which the source's first frame "
     "was shot",
     "clip, track or a UTC time such as 2023-06-17T07:30:00Z",
     "RULE",
     "2023-06-17T07:30:00Z"},
    {CaptionSetting::kX,
     {"x", "x", "x", "--x", {"X"}},
     SettingKind::kFraction,
     "0.01",
     kFractionRange,
     "Left edge",
     "the caption's left edge, a fraction of the frame's width",
     "a fraction of the frame such as 0.03",
     "FRACTION",
     "0.03"},
    {CaptionSetting::kY,
     {"y", "y", "y", "--y", {"Y"}},
     SettingKind::kFraction,
     "0.01",
     kFractionRange,
     "Top edge",
     "the caption's top edge, a fraction of the frame's height",
     "a fraction of the frame such as 0.85",
     "FRACTION",
     "0.85"},
    {CaptionSetting::kFont,
     {"font", "font", "", "--font", {"Font"}},  // mpv draws with its own OSD font
     SettingKind::kFont,
     kDefaultFont,
     std::nullopt,
     "Font",
     "a fontconfig family or pattern (Noto Sans:bold), or a font file's path; one not found is replaced by the "
     "default, with a line saying so",
     "a fontconfig family or pattern, or a font file",
     "FONT",
     "'Noto Sans:bold'"},
    {CaptionSetting::kFontSize,
     {"font size", "font_size", "font-size", "--font-size", {}},
     SettingKind::kPixelSize,
     "",
     kFontSizeRange,
     "Font size",
     "pixels of the frame, {range} (a preview at a lower resolution scales it); empty: a thirtieth of the frame's "
     "height (24 px at 720p, 36 at 1080p; at least 12)",
     "a size in pixels from {range}, or empty for a thirtieth of the frame's height",
     "PIXELS",
     "32"},
    {CaptionSetting::kTextColor,
     {"text color", "text_color", "text-color", "--text-color", {"Text Color"}},
     SettingKind::kColour,
     "white",
     std::nullopt,
     "Text color",
     "the caption's colour: #RRGGBB, 0xRRGGBB, 0xRRGGBBAA or #AARRGGBB (the alpha is ignored: captions are opaque), "
     "or white, black, red, green, blue, yellow, cyan, magenta, orange, grey",
     "a colour such as #FFCC00 or yellow",
     "COLOUR",
     "yellow"},
    {CaptionSetting::kBorderColor,
     {"border color", "border_color", "border-color", "--border-color", {"Border Color"}},
     SettingKind::kColour,
     "black",
     std::nullopt,
     "Border color",
     "the colour of the caption's one-pixel border, written as the text colour is",
     "a colour such as #202060 or black",
     "COLOUR",
     "'#202060'"},
    {CaptionSetting::kJosmSync,
     {"josm sync", "josm_sync", "josm-sync", "", {"JOSM sync"}},  // the command renders; JOSM follows players and editors
     SettingKind::kYesNo,
     "0",
     std::nullopt,
     "JOSM follows the video",
     "whether JOSM's map moves to the position of each new moment shown, once a second of video and after every seek "
     "(JOSM's remote control on {josm}; failures are ignored, as JOSM may not be running)",
     "yes or no (1 or 0)",
     "",
     "yes"},
    {CaptionSetting::kJosmZoom,
     {"josm zoom", "josm_zoom", "josm-zoom", "", {"Zoom"}},
     SettingKind::kWholeNumber,
     "0",
     kJosmZoomRange,
     "JOSM zoom",
     "the size of JOSM's view, a whole number from {range}: higher is closer",
     "a whole number from {range}",
     "",
     "3"},
};
static_assert(std::size(kSettingTable) == static_cast<size_t>(CaptionSetting::kCount));

constexpr const SettingRow& RowOf(CaptionSetting setting) { return kSettingTable[static_cast<int>(setting)]; }
constexpr const SettingNames& NamesOf(CaptionSetting setting) { return RowOf(setting).names; }

// The text of a setting's default value ("+00:00", "white", "0"...): what
// hosts list, and what reads as the value CaptionSettings{} holds.
constexpr std::string_view DefaultText(CaptionSetting setting) { return RowOf(setting).defaultText; }

// "1 to 1024", "-10 to 10".
std::string RangeText(SettingRange range);

// The row's description, its range written in.
std::string DescriptionOf(CaptionSetting setting);

// What a setting's text may be, for help and refusals: "an offset such as
// +02:00 or -03:30".
std::string ExpectedText(CaptionSetting setting);

// `phrase` with its first letter capitalised: a label, a tooltip.
std::string Capitalised(std::string_view phrase);

// `phrase` as a sentence: capitalised, and a full stop added.
std::string AsSentence(std::string_view phrase);

}  // namespace meridel
