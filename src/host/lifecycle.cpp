#include "host/lifecycle.h"

#include "host/callback_guard.h"
#include "host/filter_state.h"
#include "host/filter_table.h"
#include "host/overlay_settings.h"
#include "josm/http_transport.h"
#include "josm/remote_control.h"
#include "overlay/style_choosers.h"
#include "platform/platform.h"
#include "track/gpx_import.h"
#include "track/track_store.h"

namespace meridel {
namespace {

// Whether start-up's CoInitialize succeeded, so that exit balances only a
// successful one.
bool comInitialized = false;

// A host that leaves out a record or a service that an action needs gets no
// action rather than a crash inside it.
bool CanOpenSource(const HostFilter* filter) {
  return filter && filter->services && filter->services->GetSourceFileInfo &&
         filter->services->NotifyFilterChanged && filter->trackMax;
}

bool CanAddNode(const HostFilter* filter) {
  return filter && filter->services && filter->services->GetCurrentFrame && filter->trackValues;
}

void OpenSource(EditHandle edit, HostFilter& filter) {
  SourceFileInfo info{};
  if (!filter.services->GetSourceFileInfo(edit, &info)) return;
  filter.trackMax[kTrackX] = info.width;
  filter.trackMax[kTrackY] = info.height;
  // A scale of 0 gives an infinite or NaN rate; frame moments handle both.
  filterState.framesPerSecond = static_cast<double>(info.rate) / static_cast<double>(info.scale);
  filter.services->NotifyFilterChanged(&filter);
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

int32_t HOST_CALL StartupCallback(HostFilter*) {
  return GuardCallback(0, [] {
    overlaySettings = OverlaySettings{};
    void* const session = filterState.sessionHandle;  // lives from the first request to exit
    filterState = FilterState{};
    filterState.sessionHandle = session;
    comInitialized = platform::InitializeCom() >= 0;
    if (!comInitialized) return 0;
    overlaySettings.spareA = 10;
    overlaySettings.spareB = 10;
    overlaySettings.textColor = 0x00FFFFFF;
    overlaySettings.borderColor = 0x0000FF00;
    // Out of memory leaves no store; the import makes one when it can.
    filterState.trackStore = CreateTrackStore();
    return 1;
  });
}

int32_t HOST_CALL ExitCallback(HostFilter*) {
  return GuardCallback(1, [] {
    if (filterState.trackStore) {
      ReleaseTrackStore(filterState.trackStore);
      filterState.trackStore = nullptr;
    }
    if (comInitialized) {
      platform::UninitializeCom();
      comInitialized = false;
    }
    CloseHttpSession();
    // The cached font would otherwise outlive the module.
    ReplaceCachedFont(nullptr);
    return 1;
  });
}

int32_t HOST_CALL WindowCallback(void* window, uint32_t message, uint32_t wparam, int32_t, EditHandle edit,
                                 HostFilter* filter) {
  return GuardCallback(0, [&]() -> int32_t {
    if (message == kMsgSourceOpened) {
      if (CanOpenSource(filter)) OpenSource(edit, *filter);
      return 0;
    }
    if (message != kWmCommand) return 0;
    // The whole wparam is the command id: a notification code in the high word matches nothing.
    switch (wparam) {
      case kFirstCommandId + kCheckGpsFile:
        return RunButton([] { ChooseGpxFile(); });
      case kFirstCommandId + kCheckFont:
        return RunButton([&] { ChooseCaptionFont(window); });
      case kFirstCommandId + kCheckTextColor:
        return RunButton([&] { ChooseTextColor(window); });
      case kFirstCommandId + kCheckBorderColor:
        return RunButton([&] { ChooseBorderColor(window); });
      case kFirstCommandId + kCheckJosmAdd:
        if (CanAddNode(filter)) {
          const int32_t frame = filter->services->GetCurrentFrame(edit);
          SendJosmCommand(JosmCommand::AddNode, *filter, frame);
        }
        return 0;
      default:  // "JOSM sync" is read by the frame callback; nothing to do here
        return 0;
    }
  });
}

}  // namespace meridel
