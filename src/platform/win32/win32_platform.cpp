// The Win32 side of platform.h: each function fills the system's record
// from the caller's values, makes the one call, and copies results back;
// and the module's HTTP client.
#include "platform/platform.h"

#include "platform/http_client.h"
#include "platform/win32/wininet_client.h"

#include <windows.h>
#include <commdlg.h>
#include <objbase.h>

#include <cstddef>
#include <cstring>

namespace platform {
namespace {

// LogFont is copied to and from LOGFONTA as raw bytes.
#define SAME_FIELD(field) \
  static_assert(offsetof(LOGFONTA, field) == offsetof(LogFont, field) && \
                sizeof(LOGFONTA::field) == sizeof(LogFont::field))
static_assert(sizeof(LOGFONTA) == sizeof(LogFont));
SAME_FIELD(lfHeight);
SAME_FIELD(lfWidth);
SAME_FIELD(lfEscapement);
SAME_FIELD(lfOrientation);
SAME_FIELD(lfWeight);
SAME_FIELD(lfItalic);
SAME_FIELD(lfUnderline);
SAME_FIELD(lfStrikeOut);
SAME_FIELD(lfCharSet);
SAME_FIELD(lfOutPrecision);
SAME_FIELD(lfClipPrecision);
SAME_FIELD(lfQuality);
SAME_FIELD(lfPitchAndFamily);
SAME_FIELD(lfFaceName);
#undef SAME_FIELD

// The colour words are handed over in place.
static_assert(sizeof(COLORREF) == sizeof(uint32_t));

// The seam's names for the system's values are the system's values.
#if !defined(_WIN64)
static_assert(sizeof(CHOOSEFONTA) == kFontDialogSize);
static_assert(sizeof(CHOOSECOLORA) == kColorDialogSize);
static_assert(sizeof(OPENFILENAMEA) == kOpenFileDialogSize);
#endif
static_assert(FW_NORMAL == kFontWeightNormal && SHIFTJIS_CHARSET == kShiftJisCharset &&
              ANTIALIASED_QUALITY == kAntialiasedQuality && (FF_MODERN | DEFAULT_PITCH) == kModernFamilyDefaultPitch);
static_assert(CF_SCREENFONTS == kFontDialogScreenFonts && CF_INITTOLOGFONTSTRUCT == kFontDialogInitToLogFont &&
              SCREEN_FONTTYPE == kScreenFontType);
static_assert(CC_RGBINIT == kColorDialogRgbInit && CC_FULLOPEN == kColorDialogFullOpen);
static_assert(OFN_FILEMUSTEXIST == kOpenFileMustExist && MAX_PATH == kPathBufferSize && MB_OK == kMessageBoxOk);

HWND AsWindow(WindowHandle window) { return static_cast<HWND>(window); }

}  // namespace

FontHandle MakeFont(const FontParams& p) {
  return CreateFontA(p.height, p.width, p.escapement, p.orientation, p.weight, p.italic, p.underline,
                     p.strikeOut, p.charSet, p.outPrecision, p.clipPrecision, p.quality, p.pitchAndFamily,
                     p.faceName);
}

int32_t ReadFontDescription(FontHandle font, LogFont& out) {
  LOGFONTA logFont{};
  const int32_t result = GetObjectA(static_cast<HGDIOBJ>(font), sizeof(LOGFONTA), &logFont);
  if (result > 0) std::memcpy(&out, &logFont, sizeof out);
  return result;
}

void ReleaseFont(FontHandle font) {
  if (font) DeleteObject(static_cast<HGDIOBJ>(font));
}

int32_t RunFontDialog(FontDialog& dialog) {
  CHOOSEFONTA record{};
  record.lStructSize = dialog.structSize;
  record.hwndOwner = AsWindow(dialog.owner);
  // LogFont is LOGFONTA byte for byte (asserted above).
  record.lpLogFont = reinterpret_cast<LOGFONTA*>(dialog.logFont);
  record.Flags = dialog.flags;
  record.rgbColors = dialog.rgbColors;
  record.nFontType = dialog.fontType;
  const int32_t result = ChooseFontA(&record);
  dialog.rgbColors = record.rgbColors;
  return result;
}

int32_t RunColorDialog(ColorDialog& dialog) {
  CHOOSECOLORA record{};
  record.lStructSize = dialog.structSize;
  record.hwndOwner = AsWindow(dialog.owner);
  record.rgbResult = dialog.rgbResult;
  record.lpCustColors = reinterpret_cast<COLORREF*>(dialog.customColors);
  record.Flags = dialog.flags;
  const int32_t result = ChooseColorA(&record);
  dialog.rgbResult = record.rgbResult;
  return result;
}

int32_t RunOpenFileDialog(OpenFileDialog& dialog) {
  OPENFILENAMEA record{};
  record.lStructSize = dialog.structSize;
  record.hwndOwner = AsWindow(dialog.owner);
  record.lpstrFilter = dialog.filter;
  record.nFilterIndex = dialog.filterIndex;
  record.lpstrFile = dialog.fileBuffer;
  record.nMaxFile = dialog.bufferSize;
  record.Flags = dialog.flags;
  return GetOpenFileNameA(&record);
}

int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  return MessageBoxA(AsWindow(owner), text, caption, type);
}

int32_t InitializeCom() { return CoInitialize(nullptr); }

void UninitializeCom() { CoUninitialize(); }

HttpClient& SystemHttpClient() { return WinInetHttpClient(); }

}  // namespace platform
