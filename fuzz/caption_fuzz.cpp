// BuildCaption over arbitrary clock settings, frame rates, base times, track
// points and frame numbers, as the frame callback combines them. Every caption must be two lines joined by one
// line feed: the local time of the frame moment in calendar form, and the
// position a twin store gives for the frame moment, each coordinate with
// exactly 8 decimals.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "track/track_store.h"

namespace {

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int FieldValue(std::string_view digits) {
  int value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// "Y-MM-DD hh:mm:ss" (the year with a sign when negative, never padded),
// the moment it shows.
int64_t ShownMoment(std::string_view line) {
  const size_t yearEnd = line.find('-', line.empty() ? 0 : 1);
  fuzz::Require(yearEnd != std::string_view::npos && line.size() == yearEnd + 15, "the time line's length");
  const std::string_view yearText = line.substr(0, yearEnd);
  fuzz::Require(IsDigits(yearText.front() == '-' ? yearText.substr(1) : yearText) &&
                    (yearText.size() < 2 || yearText[yearText[0] == '-'] != '0'),
                "the year is plain decimal");
  const std::string_view rest = line.substr(yearEnd);
  constexpr std::string_view kShape = "-00-00 00:00:00";
  for (size_t i = 0; i < kShape.size(); ++i)
    fuzz::Require(kShape[i] == '0' ? rest[i] >= '0' && rest[i] <= '9' : rest[i] == kShape[i],
                  "the time line's separators and two-digit fields");
  int year = 0;
  std::from_chars(yearText.data(), yearText.data() + yearText.size(), year);
  const int month = FieldValue(rest.substr(1, 2));
  const int day = FieldValue(rest.substr(4, 2));
  const int hour = FieldValue(rest.substr(7, 2));
  const int minute = FieldValue(rest.substr(10, 2));
  const int second = FieldValue(rest.substr(13, 2));
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  fuzz::Require(date.ok() && hour < 24 && minute < 60 && second < 60, "a real date and time of day");
  return int64_t{sys_days{date}.time_since_epoch().count()} * 86400 + hour * 3600 + minute * 60 + second;
}

void CheckCoordinate(std::string_view text, double expected) {
  if (!std::isfinite(expected)) {
    fuzz::Require(text == "inf" || text == "-inf" || text == "nan" || text == "-nan", "a non-finite coordinate");
    return;
  }
  const size_t point = text.find('.');
  fuzz::Require(point != std::string_view::npos && text.size() == point + 9, "exactly 8 decimals");
  const std::string_view integer = text.front() == '-' ? text.substr(1, point - 1) : text.substr(0, point);
  fuzz::Require(IsDigits(integer) && IsDigits(text.substr(point + 1)), "digits around one point");
  double shown = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), shown);
  fuzz::Require(std::abs(shown - expected) <= 0.5e-8 + std::abs(expected) * 1e-15, "the coordinate rounded to 8 decimals");
}

// The input's eight 32-bit values, in the order of the filter's track bars.
enum Value { kX, kY, kUtcH, kUtcM, kDiffH, kDiffM, kDiffS, kZoom, kValueCount };

// The UTC offset as the caption adds it: each product wraps in 32 bits.
int64_t ModelUtcOffset(const int32_t* values) {
  const auto wrap = [](int32_t value, uint32_t factor) {
    return int64_t{static_cast<int32_t>(static_cast<uint32_t>(value) * factor)};
  };
  return wrap(values[kUtcH], 3600) + wrap(values[kUtcM], 60);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  int32_t values[kValueCount];
  for (int32_t& value : values) value = input.Take<int32_t>();
  const double framesPerSecond = input.Take<double>();
  const int32_t baseTime = input.Take<int32_t>();

  // A count of 255 (once an absent store) leaves the store empty.
  const uint8_t count = input.Take<uint8_t>();
  meridel::TrackStore store;
  meridel::TrackStore twin;
  for (int i = 0; i < count && count != 255; ++i) {
    const meridel::TrackPoint point = input.TakePoint();
    store.Append(point);
    twin.Append(point);
  }

  do {
    const int32_t frame = input.Take<int32_t>();
    const int64_t moment =
        meridel::FrameMoment(baseTime, meridel::FrameOffset(frame, framesPerSecond),
                             meridel::ClockDifference(values[kDiffH], values[kDiffM], values[kDiffS]));
    const std::string caption =
        meridel::BuildCaption(store, moment, meridel::UtcOffset(values[kUtcH], values[kUtcM]));

    const size_t lineFeed = caption.find('\n');
    fuzz::Require(lineFeed != std::string::npos && caption.find('\n', lineFeed + 1) == std::string::npos,
                  "exactly one line feed");
    fuzz::Require(ShownMoment(std::string_view(caption).substr(0, lineFeed)) == moment + ModelUtcOffset(values),
                  "the time line shows the local moment");

    double latitude = 0.0;
    double longitude = 0.0;
    meridel::LookupPosition(twin, static_cast<int32_t>(static_cast<uint32_t>(moment)), latitude, longitude);
    const std::string_view position = std::string_view(caption).substr(lineFeed + 1);
    const size_t blank = position.find(' ');
    fuzz::Require(blank != std::string_view::npos && position.find(' ', blank + 1) == std::string_view::npos,
                  "two coordinates separated by one blank");
    CheckCoordinate(position.substr(0, blank), latitude);
    CheckCoordinate(position.substr(blank + 1), longitude);
  } while (!input.Empty());
  return 0;
}
