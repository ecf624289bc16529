#include "mlt/filter_state.h"

#include <chrono>
#include <cmath>
#include <utility>

extern "C" {
#include <framework/mlt_log.h>
#include <framework/mlt_profile.h>
#include <framework/mlt_service.h>
}

#include "josm/http_transport.h"
#include "josm/josm_request.h"
#include "mlt/frame_source.h"
#include "mlt/picture_view.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/setting_table.h"

namespace meridel::mlt {
namespace {

// Long enough for a request in flight and a node or two behind it when JOSM
// answers; a hung JOSM holds the filter's close no longer than this.
constexpr std::chrono::seconds kCloseWait{3};

// The font size for a picture `height` pixels tall of a project whose frames
// are the profile's height: previews at a lower resolution get the same
// caption, scaled.
int32_t ScaledFontSize(int32_t fontSize, int height, mlt_profile profile) {
  if (fontSize <= 0 || !profile || profile->height <= 0 || profile->height == height) return fontSize;
  const double scaled = std::round(static_cast<double>(fontSize) * height / profile->height);
  return scaled < 1 ? 1 : static_cast<int32_t>(std::fmin(scaled, kMaxFontSize));
}

}  // namespace

FilterState::FilterState(mlt_filter filter)
    : filter_(filter),
      log_(MLT_FILTER_SERVICE(filter)),
      josm_([this](JosmCommand, HttpOutcome outcome) {
        if (outcome == HttpOutcome::NoAnswer) {
          log_.Once(MLT_LOG_INFO, JosmNoAnswerText());
        }
      }) {}

FilterState::~FilterState() {
  if (!josm_.WaitIdle(kCloseWait)) {
    log_.Once(MLT_LOG_WARNING, "JOSM did not take every request before the filter closed; the rest are dropped");
  }
}

void FilterState::Render(mlt_frame frame, uint8_t* image, mlt_image_format format, int width, int height) {
  const std::lock_guard<std::mutex> lock(mutex_);
  settings_.Update(MLT_FILTER_PROPERTIES(filter_), mlt_filter_get_position(filter_, frame),
                   mlt_filter_get_length2(filter_, frame),
                   [this](const std::string& line) { log_.Once(MLT_LOG_WARNING, line); });
  ImportIfChanged();
  const CaptionSettings& settings = settings_.Settings();
  mlt_profile profile = mlt_service_profile(MLT_FILTER_SERVICE(filter_));
  if (!profile) {
    log_.Once(MLT_LOG_ERROR, "the filter has no profile, so no frame rate: no caption is drawn");
    return;
  }
  const std::optional<int64_t> moment = MomentOf(frame, settings, profile);
  if (!moment) return;
  const std::string text = BuildCaption(track_.store, *moment, settings.utcOffset);

  const std::optional<drawing::Picture> picture =
      PictureOf(image, format, width, height, MLT_FRAME_PROPERTIES(frame), profile);
  if (picture) {
    CaptionSettings drawn = settings;
    drawn.fontSize = ScaledFontSize(settings.fontSize, height, profile);
    painter_.Draw(drawn, *picture, text, [this](const std::string& line) { log_.Once(MLT_LOG_WARNING, line); });
  }
  FollowWithJosm(frame, *moment, settings);
}

std::optional<int64_t> FilterState::MomentOf(mlt_frame frame, const CaptionSettings& settings, mlt_profile profile) {
  const FrameSource source = SourceOf(frame);
  if (source.blank) return std::nullopt;
  const SourceStart start = ResolveStart(settings.start, source.creationTime, track_.baseTime);
  if (settings.start.kind == StartKind::kClip && start.kind == StartKind::kTrack) {
    log_.Once(MLT_LOG_WARNING, NoCreationTimeText(source.name, DescribeStart(start)));
  } else {
    log_.Once(MLT_LOG_INFO, source.name + ": " + DescribeStart(start));
  }
  // A frame of the profile's rate: the core counts its seconds as the
  // meridel command counts a clip's span.
  return FrameMoment(start.time,
                     SecondsIntoSource(mlt_frame_original_position(frame), profile->frame_rate_num,
                                       profile->frame_rate_den),
                     settings.clockDifference);
}

void FilterState::FollowWithJosm(mlt_frame frame, int64_t moment, const CaptionSettings& settings) {
  // Keyframes ("0=a;250=b") change the value at their frames.
  const char* add = mlt_properties_anim_get(MLT_FILTER_PROPERTIES(filter_), kJosmAddProperty,
                                            mlt_filter_get_position(filter_, frame), mlt_filter_get_length2(filter_, frame));
  const std::string addText = add ? add : "";
  if (!lastJosmAdd_) {
    lastJosmAdd_ = addText;
  } else if (*lastJosmAdd_ != addText) {
    lastJosmAdd_ = addText;
    PostToJosm(JosmCommand::AddNode, moment, settings.josmZoom);
  }
  if (!settings.josmSync) {
    lastSyncedMoment_.reset();  // switched on again, it syncs at once
    return;
  }
  if (lastSyncedMoment_ == moment) return;
  lastSyncedMoment_ = moment;
  PostToJosm(JosmCommand::ZoomView, moment, settings.josmZoom);
}

void FilterState::PostToJosm(JosmCommand command, int64_t moment, int32_t zoom) {
  std::optional<std::string> request = JosmRequestAt(track_.store, command, moment, zoom);
  if (!request) {
    log_.Once(MLT_LOG_WARNING, "no track points, so nothing is sent to JOSM");
    return;
  }
  josm_.Post(command, std::move(*request));
}

void FilterState::ImportIfChanged() {
  const std::string& path = settings_.Settings().gpxFile;
  std::string message;
  switch (FollowTrackFile(track_, path, message)) {
    case TrackChange::kNone:
      return;
    case TrackChange::kCleared:
      log_.Once(MLT_LOG_WARNING, "no GPX file: set the " + std::string(NamesOf(CaptionSetting::kGpxFile).mlt) +
                                     " property to caption positions");
      return;
    case TrackChange::kImported:
      // Said at every import: a file chosen again may have changed since.
      mlt_log(MLT_FILTER_SERVICE(filter_), track_.store.Count() ? MLT_LOG_INFO : MLT_LOG_WARNING, "%s: %s\n",
              path.c_str(), message.c_str());
      return;
  }
}

}  // namespace meridel::mlt
