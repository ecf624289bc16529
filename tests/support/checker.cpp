#include "support/checker.h"

#include <errno.h>  // program_invocation_short_name

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "drawing/caption_painter.h"
#include "overlay/setting_table.h"
#include "track/gpx_import.h"

namespace test_support {

void Fail(const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
  std::exit(2);
}

void Import(const std::string& gpxFile, Track& track) {
  const meridel::ImportMessage message = meridel::ImportGpxFile(gpxFile.c_str(), track.store, track.baseTime);
  if (track.store.Count() == 0) Fail(gpxFile + ": " + message.text);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> ReadFrames(const std::string& path, size_t frameBytes, std::optional<size_t> count) {
  std::vector<uint8_t> bytes = ReadFile(path);
  if (bytes.empty() || bytes.size() % frameBytes != 0)
    Fail(path + ": " + std::to_string(bytes.size()) + " bytes, not whole frames of " + std::to_string(frameBytes));
  if (count && bytes.size() != frameBytes * *count)
    Fail(path + ": " + std::to_string(bytes.size() / frameBytes) + " frames where " + std::to_string(*count) +
         " were expected");
  return bytes;
}

std::pair<std::string, std::string> NameAndValue(const std::string& given) {
  const size_t eq = given.find('=');
  if (eq == std::string::npos) Fail("wanted NAME=VALUE: " + given);
  return {given.substr(0, eq), given.substr(eq + 1)};
}

std::optional<meridel::CaptionSetting> SettingNamed(const std::string& mltName) {
  for (int index = 0; index < static_cast<int>(meridel::CaptionSetting::kCount); ++index) {
    const auto setting = static_cast<meridel::CaptionSetting>(index);
    if (meridel::NamesOf(setting).mlt == mltName) return setting;
  }
  return std::nullopt;
}

void SetProperty(meridel::CaptionSettings& settings, const std::string& name, const std::string& value) {
  const std::optional<meridel::CaptionSetting> setting = SettingNamed(name);
  if (!setting) Fail("no property named \"" + name + "\"");
  if (!meridel::SetFromText(settings, *setting, value)) Fail(meridel::RefusalText(name, value, *setting));
}

void DrawCaption(const meridel::CaptionSettings& settings, const meridel::drawing::Picture& picture,
                 std::string_view text) {
  // One painter, as a filter instance keeps one: the font opens once.
  static meridel::drawing::CaptionPainter painter;
  painter.Draw(settings, picture, text, [](const std::string& line) { Fail("the caption: " + line); });
}

std::string OneLine(std::string caption, std::string_view between) {
  const size_t lineBreak = caption.find('\n');
  if (lineBreak != std::string::npos) caption.replace(lineBreak, 1, between);
  return caption;
}

std::string JosmRequestAt(Track& track, meridel::JosmCommand command, int32_t zoom, int64_t moment) {
  double latitude = 0, longitude = 0;
  if (!meridel::LookupPosition(track.store, static_cast<int32_t>(moment), latitude, longitude))
    Fail("no position at " + std::to_string(moment));
  return meridel::BuildJosmRequest(command, zoom, latitude, longitude);
}

}  // namespace test_support
