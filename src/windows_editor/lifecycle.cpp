#include "windows_editor/lifecycle.h"

#include "windows_editor/callback_guard.h"
#include "windows_editor/filter_table.h"
#include "windows_editor/frame_callback.h"
#include "platform/platform.h"
#include "track/gpx_file_dialog.h"

namespace meridel {
namespace {

// A host that leaves out a record or a service that an action needs gets no
// action rather than a crash inside it.
bool CanOpenSource(const HostFilter* filter) {
  return filter && filter->services && filter->services->GetSourceFileInfo &&
         filter->services->NotifyFilterChanged && filter->trackMax;
}

bool CanAddNode(const HostFilter* filter) {
  return filter && filter->services && filter->services->GetCurrentFrame && filter->trackValues;
}

void OpenSource(FilterState& state, EditHandle edit, HostFilter& filter) {
  SourceFileInfo info{};
  if (!filter.services->GetSourceFileInfo(edit, &info)) return;
  filter.trackMax[kTrackX] = info.width;
  filter.trackMax[kTrackY] = info.height;
  // A scale of 0 gives an infinite or NaN rate; frame moments handle both.
  state.framesPerSecond = static_cast<double>(info.rate) / static_cast<double>(info.scale);
  filter.services->NotifyFilterChanged(&filter);
}

void AddNode(FilterState& state, EditHandle edit, HostFilter& filter) {
  const int32_t frame = filter.services->GetCurrentFrame(edit);
  SendJosmCommand(state.josm, state.track, JosmCommand::AddNode, MomentOfFrame(state, filter, frame),
                  filter.trackValues[kTrackZoom]);
}

// Buttons whose result is 1 whatever their action did.
template <class Action>
int32_t RunButton(Action&& action) {
  GuardCallback(0, [&] {
    action();
    return 0;
  });
  return 1;
}

}  // namespace

int32_t StartFilter(FilterState& state) noexcept {
  return GuardCallback(0, [&] {
    state.settings = OverlaySettings{};
    state.track.Clear();
    ReplaceCaptionFont(state.font, nullptr);
    state.font.created = false;
    state.framesPerSecond = 0.0;
    state.comInitialized = platform::InitializeCom() >= 0;
    if (!state.comInitialized) return 0;
    state.settings.spareA = kStartSpare;
    state.settings.spareB = kStartSpare;
    state.settings.textColor = kStartTextColor;
    state.settings.borderColor = kStartBorderColor;
    return 1;
  });
}

int32_t ExitFilter(FilterState& state) noexcept {
  return GuardCallback(1, [&] {
    state.track.Clear();
    if (state.comInitialized) {
      platform::UninitializeCom();
      state.comInitialized = false;
    }
    CloseJosmLink(state.josm);
    // The cached font would otherwise outlive the module.
    ReplaceCaptionFont(state.font, nullptr);
    return 1;
  });
}

int32_t HandleWindowMessage(FilterState& state, void* window, uint32_t message, uint32_t wparam, EditHandle edit,
                            HostFilter* filter) noexcept {
  return GuardCallback(0, [&]() -> int32_t {
    if (message == kMsgSourceOpened) {
      if (CanOpenSource(filter)) OpenSource(state, edit, *filter);
      return 0;
    }
    if (message != kWmCommand) return 0;
    // The whole wparam is the command id: a notification code in the high word matches nothing.
    switch (wparam) {
      case kFirstCommandId + kCheckGpsFile:
        return RunButton([&] { ChooseGpxFile(state.track, state.settings.baseTime); });
      case kFirstCommandId + kCheckFont:
        return RunButton([&] { ChooseCaptionFont(state.settings, state.font, window); });
      case kFirstCommandId + kCheckTextColor:
        return RunButton([&] { ChooseTextColor(state.settings, window); });
      case kFirstCommandId + kCheckBorderColor:
        return RunButton([&] { ChooseBorderColor(state.settings, window); });
      case kFirstCommandId + kCheckJosmAdd:
        if (CanAddNode(filter)) AddNode(state, edit, *filter);
        return 0;
      default:  // "JOSM sync" is read by the frame callback; nothing to do here
        return 0;
    }
  });
}

}  // namespace meridel
