#include "host/filter_table.h"

#include "host/filter_state.h"
#include "host/lifecycle.h"
#include "host/overlay_settings.h"
#include "overlay/frame_callback.h"

namespace meridel {

OverlaySettings overlaySettings{};
FilterState filterState{};

namespace {

const char* const trackNames[kTrackCount] = {"X", "Y", "UTC H", "UTC M", "Diff H", "Diff M", "Diff S", "Zoom"};
const int32_t trackDefaults[kTrackCount] = {10, 10, 9, 0, 0, 0, 0, 0};
const int32_t trackMin[kTrackCount] = {0, 0, -11, -45, -10, -59, -59, -10};
// Writable: an opened source replaces the X and Y maxima with its frame size.
int32_t trackMax[kTrackCount] = {999, 999, 15, 45, 100, 59, 59, 10};

const char* const checkNames[kCheckCount] = {"GPS file", "Font", "Text Color", "Border Color", "JOSM sync", "JOSM add"};
// -1 makes a push button, 0 a tick box that starts clear.
const int32_t checkDefaults[kCheckCount] = {-1, -1, -1, -1, 0, -1};

// Writable as well: the host may keep its own data in the fields left null.
FilterTable filterTable = {
    /* flags           */ 0x00044400,
    /* hostWordA       */ 0x30000000,
    /* hostWordB       */ 0x30000000,
    /* name            */ "Meridel",
    /* trackCount      */ kTrackCount,
    /* trackNames      */ trackNames,
    /* trackDefaults   */ trackDefaults,
    /* trackMin        */ trackMin,
    /* trackMax        */ trackMax,
    /* checkCount      */ kCheckCount,
    /* checkNames      */ checkNames,
    /* checkDefaults   */ checkDefaults,
    /* frameCallback   */ FrameCallback,
    /* startupCallback */ StartupCallback,
    /* exitCallback    */ ExitCallback,
    /* spareCallback   */ nullptr,
    /* windowCallback  */ WindowCallback,
    /* trackValues     */ nullptr,
    /* checkValues     */ nullptr,
    /* extraData       */ &overlaySettings,
    /* extraDataSize   */ sizeof(OverlaySettings),
    /* infoText        */ "Meridel version 0.30 by Oskavo",
    /* fields 23-24    */ {},
    /* services        */ nullptr,
    /* fields 26-35    */ {},
};

}  // namespace
}  // namespace meridel

extern "C" FilterTable* HOST_CALL GetFilterTable(void) { return &meridel::filterTable; }
