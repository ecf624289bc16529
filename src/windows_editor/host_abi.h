// The records the host and the filter exchange, and the callbacks' shapes.
// Every field is 32 bits wide in the i686 module; native builds use the same
// field order with native pointer widths.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define HOST_CALL __cdecl
#else
#define HOST_CALL
#endif

struct FilterTable;
struct FrameProcInfo;
struct SourceFileInfo;
struct HostServices;

// The host hands the callbacks a record of the table's own layout, filled in
// with its current track and check values, its maxima array and its services.
using HostFilter = FilterTable;

// Opaque to the filter; only handed back to the host's services.
using EditHandle = void*;

// The callbacks' shapes; what each does and returns is written where the
// filter declares them (host/filter_table.h).
using FrameCallbackFn = int32_t(HOST_CALL*)(HostFilter* filter, FrameProcInfo* frame);
using LifecycleCallbackFn = int32_t(HOST_CALL*)(HostFilter* filter);
using WindowCallbackFn = int32_t(HOST_CALL*)(void* window, uint32_t message, uint32_t wparam,
                                             int32_t lparam, EditHandle edit, HostFilter* filter);

// The settings window's messages that the window callback acts on.
inline constexpr uint32_t kWmCommand = 0x0111;               // WM_COMMAND: a button; wparam is its command id
inline constexpr uint32_t kMsgSourceOpened = 0x0400 + 101;  // WM_USER + 101: the host opened a source
// A check button's command id is this plus the button's index.
inline constexpr uint32_t kFirstCommandId = 12004;

struct FilterTable {
  uint32_t flags;
  uint32_t hostWordA;
  uint32_t hostWordB;
  const char* name;
  int32_t trackCount;
  const char* const* trackNames;
  const int32_t* trackDefaults;
  const int32_t* trackMin;
  int32_t* trackMax;
  int32_t checkCount;
  const char* const* checkNames;
  const int32_t* checkDefaults;
  FrameCallbackFn frameCallback;
  LifecycleCallbackFn startupCallback;
  LifecycleCallbackFn exitCallback;
  LifecycleCallbackFn spareCallback;
  WindowCallbackFn windowCallback;
  int32_t* trackValues;
  int32_t* checkValues;
  void* extraData;
  int32_t extraDataSize;
  const char* infoText;
  void* hostFields23to24[2];
  HostServices* services;
  void* hostFields26to35[10];
};

struct FrameProcInfo {
  int32_t hostField1;
  void* image;  // the frame's pixels: opaque, only handed on to DrawTextOnFrame
  int32_t hostFields3to7[5];
  int32_t frame;
};

// Filled by the host's GetSourceFileInfo. Sized generously so that a host
// writing more than the four fields read here stays inside the record.
struct SourceFileInfo {
  int32_t hostFields1to2[2];
  int32_t width;
  int32_t height;
  int32_t rate;
  int32_t scale;
  int32_t hostFields7to16[10];
};

using GetCurrentFrameFn = int32_t(HOST_CALL*)(EditHandle edit);
using NotifyFilterChangedFn = int32_t(HOST_CALL*)(HostFilter* filter);
using GetSourceFileInfoFn = int32_t(HOST_CALL*)(EditHandle edit, SourceFileInfo* info);
using DrawTextOnFrameFn = int32_t(HOST_CALL*)(void* image, int32_t x, int32_t y, const char* text,
                                              int32_t red, int32_t green, int32_t blue,
                                              int32_t zeroA, void* font, int32_t zeroB,
                                              int32_t zeroC);

// The host's service table; only the four slots the filter calls are named.
struct HostServices {
  void* slots1to6[6];
  GetCurrentFrameFn GetCurrentFrame;  // slot 7
  void* slots8to21[14];
  NotifyFilterChangedFn NotifyFilterChanged;  // slot 22
  void* slot23;
  GetSourceFileInfoFn GetSourceFileInfo;  // slot 24
  void* slots25to57[33];
  DrawTextOnFrameFn DrawTextOnFrame;  // slot 58
};

// Slot positions count from 1, one pointer each, in every build.
static_assert(offsetof(HostServices, GetCurrentFrame) == 6 * sizeof(void*));
static_assert(offsetof(HostServices, NotifyFilterChanged) == 21 * sizeof(void*));
static_assert(offsetof(HostServices, GetSourceFileInfo) == 23 * sizeof(void*));
static_assert(offsetof(HostServices, DrawTextOnFrame) == 57 * sizeof(void*));
static_assert(sizeof(SourceFileInfo) == 16 * 4);
static_assert(offsetof(SourceFileInfo, width) == 8 && offsetof(SourceFileInfo, scale) == 20);

#if defined(_WIN32) && !defined(_WIN64)
// The host reads these layouts by position: pin them on the 32-bit target.
static_assert(sizeof(FilterTable) == 140, "the registration record is 35 fields of 32 bits");
static_assert(offsetof(FilterTable, name) == 12);
static_assert(offsetof(FilterTable, trackMax) == 32);
static_assert(offsetof(FilterTable, frameCallback) == 48);
static_assert(offsetof(FilterTable, windowCallback) == 64);
static_assert(offsetof(FilterTable, trackValues) == 68);
static_assert(offsetof(FilterTable, checkValues) == 72);
static_assert(offsetof(FilterTable, extraData) == 76);
static_assert(offsetof(FilterTable, extraDataSize) == 80);
static_assert(offsetof(FilterTable, infoText) == 84);
static_assert(offsetof(FilterTable, services) == 96);
static_assert(offsetof(FrameProcInfo, image) == 4);
static_assert(offsetof(FrameProcInfo, frame) == 28);
#endif
