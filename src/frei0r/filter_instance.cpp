#include "frei0r/filter_instance.h"

#include <cstdio>
#include <cstring>

#include "frei0r/host_time.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"

namespace meridel::frei0r {

FilterInstance::FilterInstance(uint32_t width, uint32_t height, TimeUnit hostUnit)
    : width_(width), height_(height), hostUnit_(hostUnit), settings_(DefaultSettings()) {}

FilterInstance::~FilterInstance() { CloseJosmLink(josm_); }

void FilterInstance::SetParameter(int index, const void* value) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= kParameterCount || !value) return;
  const Parameter parameter = index;
  Refusal refusal;
  switch (InfoOf(index).type) {
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
  switch (SettingOf(index).value_or(CaptionSetting::kCount)) {
    case CaptionSetting::kX:
      *static_cast<double*>(value) = settings_.caption.x;
      return;
    case CaptionSetting::kY:
      *static_cast<double*>(value) = settings_.caption.y;
      return;
    case CaptionSetting::kJosmSync:
      *static_cast<double*>(value) = settings_.caption.josmSync ? 1.0 : 0.0;
      return;
    case CaptionSetting::kTextColor:
    case CaptionSetting::kBorderColor: {
      const RgbColor color = *SettingOf(index) == CaptionSetting::kTextColor ? settings_.caption.textColor
                                                                             : settings_.caption.borderColor;
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
  const CaptionSettings& caption = settings_.caption;
  const int64_t moment = FrameMoment(track_.baseTime, *seconds, caption.clockDifference);
  const std::string text = BuildCaption(track_.store, moment, caption.utcOffset);
  painter_.Draw(caption, drawing::PackedPicture(drawing::PixelLayout::kRgba, reinterpret_cast<uint8_t*>(out), width_, height_),
                text, [this](const std::string& line) { Say("meridel: " + line); });
  if (caption.josmSync && lastSyncedTime_ != time) {
    lastSyncedTime_ = time;
    SendJosmCommand(josm_, track_.store, JosmCommand::ZoomView, moment, caption.josmZoom);
  }
}

void FilterInstance::ImportIfChanged() {
  std::string message;
  switch (FollowTrackFile(track_, settings_.caption.gpxFile, message)) {
    case TrackChange::kNone:
      return;
    case TrackChange::kCleared:
      Say("meridel: no GPX file: set the \"" + std::string(NamesOf(CaptionSetting::kGpxFile).frei0r) +
          "\" parameter to caption positions");
      return;
    case TrackChange::kImported:
      std::fprintf(stderr, "meridel: %s: %s\n", settings_.caption.gpxFile.c_str(), message.c_str());
      return;
  }
}

void FilterInstance::Say(const std::string& line) {
  if (!said_.insert(line).second) return;
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace meridel::frei0r
