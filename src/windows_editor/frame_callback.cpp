#include "windows_editor/frame_callback.h"

#include <string>

#include "base/wrapping.h"
#include "windows_editor/callback_guard.h"
#include "windows_editor/filter_table.h"
#include "josm/remote_control.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"

namespace meridel {
namespace {

void DrawCaption(const FilterState& state, const HostFilter& filter, const FrameProcInfo& frame,
                 const std::string& caption) {
  const int32_t x = filter.trackValues[kTrackX];
  const int32_t y = filter.trackValues[kTrackY];
  for (const CaptionPass& pass : kCaptionPasses) {
    // Read per pass: a chooser may have changed the colours since the last frame.
    const Rgb colour = ToRgb(pass.border ? state.settings.borderColor : state.settings.textColor);
    filter.services->DrawTextOnFrame(frame.image, AddWrapping(x, pass.dx), AddWrapping(y, pass.dy), caption.c_str(),
                                     colour.red, colour.green, colour.blue, 0, state.font.handle, 0, 0);
  }
}

// Without one of these records the host gets its frame back untouched.
bool CanRender(const HostFilter* filter, const FrameProcInfo* frame) {
  return filter && frame && filter->services && filter->services->DrawTextOnFrame && filter->trackValues &&
         filter->checkValues;
}

}  // namespace

int64_t MomentOfFrame(const FilterState& state, const HostFilter& filter, int32_t frame) {
  const int32_t* values = filter.trackValues;
  return FrameMoment(state.settings.baseTime, FrameOffset(frame, state.framesPerSecond),
                     ClockDifference(values[kTrackDiffH], values[kTrackDiffM], values[kTrackDiffS]));
}

int32_t RenderFrame(FilterState& state, HostFilter* filter, FrameProcInfo* frame) noexcept {
  return GuardCallback(1, [&] {
    if (!CanRender(filter, frame)) return 1;
    if (!state.font.created) {
      // Made once; a font that cannot be made is cached all the same.
      ReplaceCaptionFont(state.font, MakeCaptionFont(state.settings));
      state.font.created = true;
    }
    const int32_t* values = filter->trackValues;
    const int64_t moment = MomentOfFrame(state, *filter, frame->frame);
    DrawCaption(state, *filter, *frame,
                BuildCaption(state.track, moment, UtcOffset(values[kTrackUtcH], values[kTrackUtcM])));
    if (filter->checkValues[kCheckJosmSync])
      SendJosmCommand(state.josm, state.track, JosmCommand::ZoomView, moment, values[kTrackZoom]);
    return 1;
  });
}

}  // namespace meridel
