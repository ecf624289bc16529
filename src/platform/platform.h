// The module's calls into the system's dialogs, fonts, message boxes and COM.
// Each function is a one-to-one stand-in for the system call named beside it:
// the caller decides every value, the implementation only translates records.
// Win32 implementation: platform/win32; scriptable fakes: tests/support.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = void*;
using FontHandle = void*;

// Values of CreateFontA's parameters that the module uses.
inline constexpr int32_t kFontWeightNormal = 400;          // FW_NORMAL
inline constexpr uint32_t kShiftJisCharset = 128;          // SHIFTJIS_CHARSET
inline constexpr uint32_t kAntialiasedQuality = 4;         // ANTIALIASED_QUALITY
inline constexpr uint32_t kModernFamilyDefaultPitch = 48;  // FF_MODERN | DEFAULT_PITCH

// The 14 parameters of CreateFontA, in its order.
struct FontParams {
  int32_t height;
  int32_t width;
  int32_t escapement;
  int32_t orientation;
  int32_t weight;
  uint32_t italic;
  uint32_t underline;
  uint32_t strikeOut;
  uint32_t charSet;
  uint32_t outPrecision;
  uint32_t clipPrecision;
  uint32_t quality;
  uint32_t pitchAndFamily;
  const char* faceName;
};

// Byte for byte the system's LOGFONTA (60 bytes).
struct LogFont {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[32];
};
static_assert(sizeof(LogFont) == 60);

inline constexpr uint32_t kFontDialogSize = 60;              // sizeof(CHOOSEFONTA), 32-bit
inline constexpr uint32_t kFontDialogScreenFonts = 0x01;      // CF_SCREENFONTS
inline constexpr uint32_t kFontDialogInitToLogFont = 0x40;    // CF_INITTOLOGFONTSTRUCT
inline constexpr uint16_t kScreenFontType = 0x2000;           // SCREEN_FONTTYPE

// The fields of CHOOSEFONTA that the module sets; every other field is 0.
struct FontDialog {
  uint32_t structSize;
  WindowHandle owner;
  LogFont* logFont;
  uint32_t flags;
  uint32_t rgbColors;
  uint16_t fontType;
};

inline constexpr uint32_t kColorDialogSize = 36;          // sizeof(CHOOSECOLORA), 32-bit
inline constexpr uint32_t kColorDialogRgbInit = 0x1;      // CC_RGBINIT
inline constexpr uint32_t kColorDialogFullOpen = 0x2;     // CC_FULLOPEN
inline constexpr int kCustomColorCount = 16;

// The fields of CHOOSECOLORA that the module sets; every other field is 0.
struct ColorDialog {
  uint32_t structSize;
  WindowHandle owner;
  uint32_t rgbResult;
  uint32_t* customColors;  // kCustomColorCount entries
  uint32_t flags;
};

inline constexpr uint32_t kOpenFileDialogSize = 88;         // sizeof(OPENFILENAMEA), 32-bit
inline constexpr uint32_t kOpenFileMustExist = 0x1000;      // OFN_FILEMUSTEXIST
inline constexpr uint32_t kPathBufferSize = 260;            // MAX_PATH

inline constexpr uint32_t kMessageBoxOk = 0;                // MB_OK

// The fields of OPENFILENAMEA that the module sets; every other field is 0.
struct OpenFileDialog {
  uint32_t structSize;
  WindowHandle owner;
  const char* filter;  // description, NUL, pattern, NUL, NUL
  uint32_t filterIndex;
  char* fileBuffer;
  uint32_t bufferSize;
  uint32_t flags;
};

FontHandle MakeFont(const FontParams& params);                    // CreateFontA
int32_t ReadFontDescription(FontHandle font, LogFont& out);        // GetObjectA, 60 bytes
void ReleaseFont(FontHandle font);                                 // DeleteObject
int32_t RunFontDialog(FontDialog& dialog);                         // ChooseFontA
int32_t RunColorDialog(ColorDialog& dialog);                       // ChooseColorA
int32_t RunOpenFileDialog(OpenFileDialog& dialog);                 // GetOpenFileNameA
int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type);  // MessageBoxA
int32_t InitializeCom();                                           // CoInitialize(nullptr)
void UninitializeCom();                                            // CoUninitialize

}  // namespace platform
