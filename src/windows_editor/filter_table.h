// The registration record the host reads through the module's one export,
// and the callbacks it names.
#pragma once

#include "windows_editor/host_abi.h"
#include "overlay/setting_table.h"

namespace meridel {

enum TrackIndex : int { kTrackX, kTrackY, kTrackUtcH, kTrackUtcM, kTrackDiffH, kTrackDiffM, kTrackDiffS, kTrackZoom };
enum CheckIndex : int { kCheckGpsFile, kCheckFont, kCheckTextColor, kCheckBorderColor, kCheckJosmSync, kCheckJosmAdd };

inline constexpr int kTrackCount = 8;
inline constexpr int kCheckCount = 6;

// What the registration record declares, written once for the module and the
// hosts that check it.
// The name the settings table gives the control `index` of `setting`.
constexpr const char* ControlName(CaptionSetting setting, int index = 0) { return NamesOf(setting).editor[index].data(); }

struct TrackBar {
  const char* name;
  int32_t defaultValue;
  int32_t minimum;
  int32_t maximum;  // X and Y: until a source is opened
};

inline constexpr TrackBar kTrackBars[kTrackCount] = {
    {ControlName(CaptionSetting::kX), 10, 0, 999},
    {ControlName(CaptionSetting::kY), 10, 0, 999},
    {ControlName(CaptionSetting::kUtcOffset, 0), 9, -11, 15},
    {ControlName(CaptionSetting::kUtcOffset, 1), 0, -45, 45},
    {ControlName(CaptionSetting::kClockDifference, 0), 0, -10, 100},
    {ControlName(CaptionSetting::kClockDifference, 1), 0, -59, 59},
    {ControlName(CaptionSetting::kClockDifference, 2), 0, -59, 59},
    {ControlName(CaptionSetting::kJosmZoom), 0, kJosmZoomRange.minimum, kJosmZoomRange.maximum},
};

struct CheckButton {
  const char* name;
  int32_t defaultValue;  // -1: a push button; 0: a tick box that starts clear
};

inline constexpr CheckButton kCheckButtons[kCheckCount] = {
    {ControlName(CaptionSetting::kGpxFile), -1},   {ControlName(CaptionSetting::kFont), -1},
    {ControlName(CaptionSetting::kTextColor), -1}, {ControlName(CaptionSetting::kBorderColor), -1},
    {ControlName(CaptionSetting::kJosmSync), 0},   {"JOSM add", -1},
};

inline constexpr const char* kFilterName = "Meridel";
inline constexpr const char* kFilterInfoText = "Meridel version " MERIDEL_VERSION " by Oskavo";

// The host gives these words their meaning; the filter only declares them:
// bits 10, 14 and 18 of the flag word, and the same value in both host words.
inline constexpr uint32_t kTableFlags = 0x00000400 | 0x00004000 | 0x00040000;
inline constexpr uint32_t kTableHostWord = 0x30000000;

// Called by the host once, before any other callback. Clears the settings
// block and gives it its start values, makes the track empty and
// initialises COM for the calling thread. 1 on success; 0 when COM cannot be
// initialised, the block then left all zero.
int32_t HOST_CALL StartupCallback(HostFilter* filter);

// Called by the host once at the end, on start-up's thread. Drops the track,
// releases the caption font, balances a successful start-up's COM
// initialisation and closes the HTTP session. Always 1.
int32_t HOST_CALL ExitCallback(HostFilter* filter);

// Called by the host for every message of the filter's settings window.
// 1 after the "GPS file", "Font", "Text Color" and "Border Color" commands,
// whatever their dialogs gave; 0 for everything else. Not a success flag.
int32_t HOST_CALL WindowCallback(void* window, uint32_t message, uint32_t wparam, int32_t lparam,
                                 EditHandle edit, HostFilter* filter);

// Called by the host for every frame it renders. Draws the bordered caption
// through the host's DrawTextOnFrame and, with "JOSM sync" ticked, moves
// JOSM's view to the frame's position. Always 1; the frame is untouched when
// a record or service it needs is missing.
int32_t HOST_CALL FrameCallback(HostFilter* filter, FrameProcInfo* frame);

}  // namespace meridel

// The module's one export: the address of the registration record, the same
// at every call, valid while the module is loaded. May be called before
// start-up.
extern "C" FilterTable* HOST_CALL GetFilterTable(void);
