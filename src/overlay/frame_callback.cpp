#include "overlay/frame_callback.h"

#include <string>

#include "host/callback_guard.h"
#include "host/filter_state.h"
#include "host/filter_table.h"
#include "host/overlay_settings.h"
#include "josm/remote_control.h"
#include "overlay/caption.h"
#include "overlay/style_choosers.h"
#include "overlay/wrapping.h"

namespace meridel {
namespace {

// Four one-pixel shifts in the border colour, then the text on top.
struct DrawingPass {
  int32_t dx;
  int32_t dy;
  bool border;
};

constexpr DrawingPass kDrawingPasses[] = {
    {0, -1, true}, {0, 1, true}, {-1, 0, true}, {1, 0, true}, {0, 0, false},
};

void DrawCaption(const HostFilter& filter, const FrameProcInfo& frame, const std::string& caption) {
  const int32_t x = filter.trackValues[kTrackX];
  const int32_t y = filter.trackValues[kTrackY];
  for (const DrawingPass& pass : kDrawingPasses) {
    // Read per pass: a chooser may have changed the colours since the last frame.
    const Colour colour = pass.border ? overlaySettings.borderColor : overlaySettings.textColor;
    filter.services->DrawTextOnFrame(frame.image, AddWrapping(x, pass.dx), AddWrapping(y, pass.dy),
                                     caption.c_str(), static_cast<int32_t>(colour & 0xFF),
                                     static_cast<int32_t>((colour >> 8) & 0xFF),
                                     static_cast<int32_t>((colour >> 16) & 0xFF), 0, filterState.fontHandle, 0, 0);
  }
}

// Without one of these records the host gets its frame back untouched.
bool CanRender(const HostFilter* filter, const FrameProcInfo* frame) {
  return filter && frame && filter->services && filter->services->DrawTextOnFrame && filter->trackValues &&
         filter->checkValues;
}

}  // namespace

int32_t HOST_CALL FrameCallback(HostFilter* filter, FrameProcInfo* frame) {
  return GuardCallback(1, [&] {
    if (!CanRender(filter, frame)) return 1;
    if (!filterState.fontCreated) {
      // Made once; a font that cannot be made is cached all the same.
      ReplaceCachedFont(MakeCaptionFont(overlaySettings));
      filterState.fontCreated = 1;
    }
    DrawCaption(*filter, *frame, BuildCaption(*filter, *frame));
    if (filter->checkValues[kCheckJosmSync]) SendJosmCommand(JosmCommand::ZoomView, *filter, frame->frame);
    return 1;
  });
}

}  // namespace meridel
