// The readers of what users type into every Linux host: one setting (the
// first byte) read from the rest of the input as its text. A refused text
// leaves every setting as it was; a taken one changes its own setting only,
// to a value within its range that its canonical text reads back as.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "overlay/caption_settings.h"
#include "overlay/setting_table.h"
#include "overlay/clock_text.h"
#include "overlay/start_rule.h"

namespace {

using meridel::CaptionSetting;
using meridel::CaptionSettings;

constexpr int32_t kMaxUtcOffset = 18 * 3600;
constexpr int32_t kMaxClockDifference = 999 * 3600 + 59 * 60 + 59;
constexpr int32_t kMaxZoom = 10;

// Whether `a` and `b` hold the same value of `setting`.
bool SameSetting(const CaptionSettings& a, const CaptionSettings& b, CaptionSetting setting) {
  switch (setting) {
    case CaptionSetting::kGpxFile: return a.gpxFile == b.gpxFile;
    case CaptionSetting::kUtcOffset: return a.utcOffset == b.utcOffset;
    case CaptionSetting::kClockDifference: return a.clockDifference == b.clockDifference;
    case CaptionSetting::kStart: return a.start.kind == b.start.kind && a.start.time == b.start.time;
    case CaptionSetting::kX: return a.x == b.x;
    case CaptionSetting::kY: return a.y == b.y;
    case CaptionSetting::kFont: return a.font == b.font;
    case CaptionSetting::kFontSize: return a.fontSize == b.fontSize;
    case CaptionSetting::kTextColor: return a.textColor == b.textColor;
    case CaptionSetting::kBorderColor: return a.borderColor == b.borderColor;
    case CaptionSetting::kJosmSync: return a.josmSync == b.josmSync;
    case CaptionSetting::kJosmZoom: return a.josmZoom == b.josmZoom;
    case CaptionSetting::kCount: break;
  }
  return true;
}

bool SameExcept(const CaptionSettings& a, const CaptionSettings& b, std::optional<CaptionSetting> changed) {
  for (int index = 0; index < static_cast<int>(CaptionSetting::kCount); ++index) {
    const auto setting = static_cast<CaptionSetting>(index);
    if (setting != changed && !SameSetting(a, b, setting)) return false;
  }
  return true;
}

std::string Printed(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string SignedClock(int32_t seconds, bool withSeconds) {
  const char sign = seconds < 0 ? '-' : '+';
  const int32_t magnitude = std::abs(seconds);
  return withSeconds ? Printed("%c%d:%02d:%02d", sign, magnitude / 3600, magnitude / 60 % 60, magnitude % 60)
                     : Printed("%c%02d:%02d", sign, magnitude / 3600, magnitude / 60 % 60);
}

std::string IsoTime(int32_t time) {
  using namespace std::chrono;
  const sys_seconds moment{seconds{time}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss<seconds> clock{moment - day};
  return Printed("%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                 static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                 static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
}

// The value read is in range, and its canonical text reads back as it.
void CheckTaken(const CaptionSettings& read, CaptionSetting setting) {
  switch (setting) {
    case CaptionSetting::kUtcOffset:
      fuzz::Require(std::abs(read.utcOffset) <= kMaxUtcOffset && read.utcOffset % 60 == 0,
                    "a UTC offset of whole minutes within 18 hours");
      fuzz::Require(meridel::ParseUtcOffset(SignedClock(read.utcOffset, false)) == read.utcOffset,
                    "the offset's +HH:MM reads back");
      break;
    case CaptionSetting::kClockDifference:
      fuzz::Require(std::abs(read.clockDifference) <= kMaxClockDifference, "a clock difference within 999 hours");
      fuzz::Require(meridel::ParseClockDifference(SignedClock(read.clockDifference, true)) == read.clockDifference,
                    "the difference's +H:MM:SS reads back");
      break;
    case CaptionSetting::kStart:
      if (read.start.kind == meridel::StartKind::kTime) {
        const std::optional<meridel::StartRule> again = meridel::ParseStartRule(IsoTime(read.start.time));
        fuzz::Require(again && again->kind == read.start.kind && again->time == read.start.time,
                      "the start time's ISO text reads back");
      }
      break;
    case CaptionSetting::kX:
    case CaptionSetting::kY: {
      const double fraction = setting == CaptionSetting::kX ? read.x : read.y;
      // Beyond 0 to 1 is taken: a caption placed outside the frame draws nothing.
      fuzz::Require(std::isfinite(fraction), "a finite place");
      break;
    }
    case CaptionSetting::kFontSize:
      fuzz::Require(read.fontSize >= 0 && read.fontSize <= meridel::kMaxFontSize, "a font size within range");
      break;
    case CaptionSetting::kTextColor:
    case CaptionSetting::kBorderColor: {
      const meridel::RgbColor color = setting == CaptionSetting::kTextColor ? read.textColor : read.borderColor;
      fuzz::Require(meridel::ParseColorText(Printed("#%02X%02X%02X", color.r, color.g, color.b)) == color,
                    "the colour's #RRGGBB reads back");
      break;
    }
    case CaptionSetting::kJosmZoom:
      fuzz::Require(std::abs(read.josmZoom) <= kMaxZoom, "a zoom from -10 to 10");
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto setting = static_cast<CaptionSetting>(input.Take<uint8_t>() % static_cast<int>(CaptionSetting::kCount));
  // The text as a host hands it over: a view of exactly its bytes, no NUL after.
  const std::string_view text(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0);

  const CaptionSettings before;
  CaptionSettings read;
  const bool taken = meridel::SetFromText(read, setting, text);
  if (!taken) {
    fuzz::Require(SameExcept(read, before, std::nullopt), "a refused text changes nothing");
    fuzz::Require(meridel::RefusalText("name", text, setting).find(meridel::ExpectedText(setting)) != std::string::npos,
                  "the refusal says what would be taken");
    return 0;
  }
  fuzz::Require(SameExcept(read, before, setting), "a text changes its own setting only");
  CheckTaken(read, setting);
  CaptionSettings again;
  fuzz::Require(meridel::SetFromText(again, setting, text) && SameSetting(again, read, setting),
                "the same text reads the same");
  return 0;
}
