#include "overlay/style_choosers.h"

#include <cstring>

#include "host/filter_state.h"

namespace meridel {
namespace {

using FaceName = char[32];

// At most 31 characters and the NUL, never reading past the 32 bytes: a block
// read back from a stored project may lack the NUL.
void CopyFaceName(FaceName& destination, const FaceName& source) {
  const void* nul = std::memchr(source, '\0', sizeof(FaceName) - 1);
  const size_t length = nul ? static_cast<const char*>(nul) - source : sizeof(FaceName) - 1;
  std::memcpy(destination, source, length);
  std::memset(destination + length, 0, sizeof(FaceName) - length);
}

// CC_RGBINIT | CC_FULLOPEN: start from rgbResult, with the custom colours shown.
constexpr uint32_t kColorFlags = 0x1 | 0x2;
// CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT.
constexpr uint32_t kFontFlags = 0x01 | 0x40;
constexpr uint16_t kScreenFontType = 0x2000;

struct ColourChoice {
  int32_t result;  // the dialog's: nonzero when a colour was confirmed
  Colour colour;
};

ColourChoice RunColourChooser(platform::WindowHandle owner, Colour current) {
  // Custom colours live for this call only; they start as empty white slots.
  uint32_t customColours[16];
  for (uint32_t& custom : customColours) custom = 0x00FFFFFF;
  platform::ColorDialog dialog{36, owner, current, customColours, kColorFlags};
  const int32_t result = platform::RunColorDialog(dialog);
  return {result, dialog.rgbResult};
}

}  // namespace

platform::FontHandle MakeCaptionFont(const OverlaySettings& settings) {
  FaceName face;
  CopyFaceName(face, settings.faceName);
  // Only face and height are the user's: normal weight, upright, Shift JIS,
  // antialiased, modern family.
  const platform::FontParams params{settings.fontHeight, 0, 0, 0, 400, 0, 0, 0, 128, 0, 0, 4, 48, face};
  return platform::MakeFont(params);
}

void ReplaceCachedFont(platform::FontHandle font) {
  if (filterState.fontHandle) platform::ReleaseFont(filterState.fontHandle);
  filterState.fontHandle = font;
}

void ChooseCaptionFont(platform::WindowHandle owner) {
  // The dialog starts from the current face and height, read back from a
  // temporary font; if that fails it starts from an empty description.
  platform::LogFont logFont{};
  if (const platform::FontHandle current = MakeCaptionFont(overlaySettings)) {
    platform::ReadFontDescription(current, logFont);
    platform::ReleaseFont(current);
  }
  platform::FontDialog dialog{60, owner, &logFont, kFontFlags, overlaySettings.textColor, kScreenFontType};
  if (!platform::RunFontDialog(dialog)) return;
  overlaySettings.textColor = dialog.rgbColors;
  CopyFaceName(overlaySettings.faceName, logFont.lfFaceName);
  overlaySettings.fontHeight = logFont.lfHeight;
  // fontCreated stays as it is: before the first frame, that frame still makes its own font.
  ReplaceCachedFont(MakeCaptionFont(overlaySettings));
}

int32_t ChooseTextColor(platform::WindowHandle owner) {
  const ColourChoice choice = RunColourChooser(owner, overlaySettings.textColor);
  if (choice.result) overlaySettings.textColor = choice.colour;
  return choice.result;
}

int32_t ChooseBorderColor(platform::WindowHandle owner) {
  const ColourChoice choice = RunColourChooser(owner, overlaySettings.borderColor);
  if (choice.result) overlaySettings.borderColor = choice.colour;
  return choice.result;
}

}  // namespace meridel
