// One meridel filter's own state: its settings, track, font and caption,
// and its link to JOSM. MLT may render frames of one filter on several
// threads at once: every call takes the filter's turn.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

extern "C" {
#include <framework/mlt_filter.h>
}

#include "drawing/caption_painter.h"
#include "josm/josm_sender.h"
#include "mlt/properties.h"
#include "mlt/service_log.h"
#include "overlay/start_rule.h"
#include "track/track_source.h"

namespace meridel::mlt {

class FilterState {
 public:
  explicit FilterState(mlt_filter filter);
  // Gives JOSM's requests not sent yet a few seconds to go out.
  ~FilterState();
  FilterState(const FilterState&) = delete;
  FilterState& operator=(const FilterState&) = delete;

  // Draws the caption of the frame's moment onto its image (already in a
  // format PictureOf reads, writable), in place, and follows the moment
  // with JOSM. Throws only std::bad_alloc and std::system_error; the image
  // is then as it was or captioned.
  void Render(mlt_frame frame, uint8_t* image, mlt_image_format format, int width, int height);

  ServiceLog& Log() { return log_; }

 private:
  void ImportIfChanged();
  // The moment the frame shows, in UTC seconds; nothing for a frame of a
  // playlist's gap, which shows no source.
  std::optional<int64_t> MomentOf(mlt_frame frame, const CaptionSettings& settings, mlt_profile profile);
  void FollowWithJosm(mlt_frame frame, int64_t moment, const CaptionSettings& settings);
  void PostToJosm(JosmCommand command, int64_t moment, int32_t zoom);

  mlt_filter filter_;
  ServiceLog log_;
  std::mutex mutex_;

  PropertySettings settings_;
  TrackSource track_;
  drawing::CaptionPainter painter_;

  std::optional<int64_t> lastSyncedMoment_;
  std::optional<std::string> lastJosmAdd_;  // none before the first frame
  JosmSender josm_;  // last: its thread ends before the rest goes
};

}  // namespace meridel::mlt
