#include "windows_editor/filter_table.h"

#include <array>

#include "windows_editor/filter_state.h"
#include "windows_editor/frame_callback.h"
#include "windows_editor/lifecycle.h"

namespace meridel {
namespace {

// The one filter of the module: its host creates no other.
FilterState moduleFilter;

// The host reads one array per column.
template <class Entry, size_t count, class Column>
constexpr auto ColumnOf(const Entry (&entries)[count], Column column) {
  std::array<decltype(column(entries[0])), count> values{};
  for (size_t i = 0; i < count; ++i) values[i] = column(entries[i]);
  return values;
}

constexpr auto trackNames = ColumnOf(kTrackBars, [](const TrackBar& bar) { return bar.name; });
constexpr auto trackDefaults = ColumnOf(kTrackBars, [](const TrackBar& bar) { return bar.defaultValue; });
constexpr auto trackMin = ColumnOf(kTrackBars, [](const TrackBar& bar) { return bar.minimum; });
// Writable: an opened source replaces the X and Y maxima with its frame size.
constinit auto trackMax = ColumnOf(kTrackBars, [](const TrackBar& bar) { return bar.maximum; });

constexpr auto checkNames = ColumnOf(kCheckButtons, [](const CheckButton& button) { return button.name; });
constexpr auto checkDefaults = ColumnOf(kCheckButtons, [](const CheckButton& button) { return button.defaultValue; });

// Writable as well: the host may keep its own data in the fields left null.
FilterTable filterTable = {
    /* flags           */ kTableFlags,
    /* hostWordA       */ kTableHostWord,
    /* hostWordB       */ kTableHostWord,
    /* name            */ kFilterName,
    /* trackCount      */ kTrackCount,
    /* trackNames      */ trackNames.data(),
    /* trackDefaults   */ trackDefaults.data(),
    /* trackMin        */ trackMin.data(),
    /* trackMax        */ trackMax.data(),
    /* checkCount      */ kCheckCount,
    /* checkNames      */ checkNames.data(),
    /* checkDefaults   */ checkDefaults.data(),
    /* frameCallback   */ FrameCallback,
    /* startupCallback */ StartupCallback,
    /* exitCallback    */ ExitCallback,
    /* spareCallback   */ nullptr,
    /* windowCallback  */ WindowCallback,
    /* trackValues     */ nullptr,
    /* checkValues     */ nullptr,
    /* extraData       */ &moduleFilter.settings,
    /* extraDataSize   */ sizeof(OverlaySettings),
    /* infoText        */ kFilterInfoText,
    /* fields 23-24    */ {},
    /* services        */ nullptr,
    /* fields 26-35    */ {},
};

}  // namespace

int32_t HOST_CALL StartupCallback(HostFilter*) { return StartFilter(moduleFilter); }

int32_t HOST_CALL ExitCallback(HostFilter*) { return ExitFilter(moduleFilter); }

int32_t HOST_CALL WindowCallback(void* window, uint32_t message, uint32_t wparam, int32_t, EditHandle edit,
                                 HostFilter* filter) {
  return HandleWindowMessage(moduleFilter, window, message, wparam, edit, filter);
}

int32_t HOST_CALL FrameCallback(HostFilter* filter, FrameProcInfo* frame) {
  return RenderFrame(moduleFilter, filter, frame);
}

}  // namespace meridel

extern "C" FilterTable* HOST_CALL GetFilterTable(void) { return &meridel::filterTable; }
