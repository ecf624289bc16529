#include "frei0r/filter_instance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frei0r/font_lookup.h"
#include "frei0r/host_time.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "track/gpx_import.h"

namespace meridel::frei0r {
namespace {

// A pixel of the frame from a fraction of its size; far-off fractions are
// clamped so that the product stays a number the drawing can clip.
int64_t PixelOf(double fraction, uint32_t size) {
  return static_cast<int64_t>(std::floor(std::clamp(fraction, -1e6, 1e6) * size));
}

std::string OneLine(const char* text) {
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

}  // namespace

FilterInstance::FilterInstance(uint32_t width, uint32_t height, TimeUnit hostUnit)
    : width_(width), height_(height), hostUnit_(hostUnit), settings_(DefaultSettings()) {}

FilterInstance::~FilterInstance() { CloseJosmLink(josm_); }

void FilterInstance::SetParameter(int index, const void* value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= kParameterCount || !value) return;
  const auto parameter = static_cast<Parameter>(index);
  Refusal refusal;
  switch (kParameters[index].type) {
    case ParameterType::kBool:
    case ParameterType::kDouble:
      refusal = SetDouble(settings_, parameter, *static_cast<const double*>(value));
      break;
    case ParameterType::kColor:
      refusal = SetColor(settings_, parameter, *static_cast<const Color*>(value));
      break;
    case ParameterType::kString: {
      const char* text = *static_cast<const char* const*>(value);
      refusal = SetString(settings_, parameter, text ? text : "");
      break;
    }
  }
  if (!refusal.empty()) Say("meridel: " + refusal + "; keeping the value before");
}

void FilterInstance::GetParameter(int index, void* value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= kParameterCount || !value) return;
  switch (index) {
    case kX:
      *static_cast<double*>(value) = settings_.x;
      return;
    case kY:
      *static_cast<double*>(value) = settings_.y;
      return;
    case kJosmSync:
      *static_cast<double*>(value) = settings_.josmSync ? 1.0 : 0.0;
      return;
    case kTextColor:
    case kBorderColor: {
      const RgbColor color = index == kTextColor ? settings_.textColor : settings_.borderColor;
      *static_cast<Color*>(value) = {color.r / 255.0f, color.g / 255.0f, color.b / 255.0f};
      return;
    }
    default:
      *static_cast<char**>(value) = settings_.texts[index].data();
      return;
  }
}

void FilterInstance::Update(double time, const uint32_t* in, uint32_t* out) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!out) return;
  if (in && in != out) std::memcpy(out, in, size_t{width_} * height_ * sizeof(uint32_t));

  ImportIfChanged();
  const TimeUnit unit = settings_.timeUnit == TimeUnit::kAuto ? hostUnit_ : settings_.timeUnit;
  const std::optional<int32_t> seconds = FrameSeconds(time, unit);
  if (!seconds) {
    // ffmpeg 5.1 passes such times for frames whose rows it had to repack.
    Say("meridel: the host passed no usable frame time, so no caption is drawn (with ffmpeg, pad the width to a "
        "multiple of 64: pad=ceil(iw/64)*64:ih before the filter, crop after it)");
    return;
  }
  const int64_t moment = FrameMoment(baseTime_, *seconds, settings_.clockDifference);
  const std::string text = BuildCaption(track_, moment, settings_.utcOffset);

  PrepareFont();
  if (font_) {
    caption_.Draw(*font_, RgbaFrame{out, width_, height_}, text, PixelOf(settings_.x, width_),
                  PixelOf(settings_.y, height_), settings_.textColor, settings_.borderColor);
  }
  if (settings_.josmSync && lastSyncedTime_ != time) {
    lastSyncedTime_ = time;
    SendJosmCommand(josm_, track_, JosmCommand::ZoomView, moment, settings_.josmZoom);
  }
}

void FilterInstance::ImportIfChanged() {
  if (importedPath_ == settings_.gpxFile) return;
  importedPath_ = settings_.gpxFile;
  if (settings_.gpxFile.empty()) {
    track_.Clear();
    baseTime_ = 0;
    Say("meridel: no GPX file: set the \"gpx file\" parameter to caption positions");
    return;
  }
  // A failed import leaves the time of the track before, as the DLL does.
  const ImportMessage message = ImportGpxFile(settings_.gpxFile.c_str(), track_, baseTime_);
  std::fprintf(stderr, "meridel: %s: %s\n", settings_.gpxFile.c_str(), OneLine(message.text).c_str());
}

void FilterInstance::PrepareFont() {
  const int32_t size = FontPixelSize(settings_, height_);
  if (fontSetting_ && *fontSetting_ == settings_.font && fontSize_ == size) return;
  fontSetting_ = settings_.font;
  fontSize_ = size;
  font_.reset();
  if (OpenFont(settings_.font, size)) return;
  const std::string fallback(kDefaultFontPattern);
  if (settings_.font != fallback && OpenFont(fallback, size)) return;
  Say("meridel: no font could be opened, so no caption is drawn");
}

bool FilterInstance::OpenFont(const std::string& setting, int32_t size) {
  const FontMatch match = FindFont(setting);
  if (match.file.empty() || (!match.exact && setting != kDefaultFontPattern)) {
    Say("meridel: font \"" + setting + "\" not found, using \"" + std::string(kDefaultFontPattern) + "\"");
    return false;
  }
  std::string error;
  font_ = CaptionFont::Open(match.file, match.faceIndex, size, error);
  if (!font_) Say("meridel: font \"" + setting + "\": " + error);
  return font_ != nullptr;
}

void FilterInstance::Say(const std::string& line) {
  if (!said_.insert(line).second) return;
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace meridel::frei0r
