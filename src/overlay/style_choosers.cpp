#include "overlay/style_choosers.h"

#include <cstring>

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

struct ColourChoice {
  int32_t result;  // the dialog's: nonzero when a colour was confirmed
  Colour colour;
};

ColourChoice RunColourChooser(platform::WindowHandle owner, Colour current) {
  // Custom colours live for this call only; they start as empty white slots.
  uint32_t customColours[platform::kCustomColorCount];
  for (uint32_t& custom : customColours) custom = 0x00FFFFFF;
  platform::ColorDialog dialog{
      .structSize = platform::kColorDialogSize,
      .owner = owner,
      .rgbResult = current,
      .customColors = customColours,
      .flags = platform::kColorDialogRgbInit | platform::kColorDialogFullOpen,
  };
  const int32_t result = platform::RunColorDialog(dialog);
  return {result, dialog.rgbResult};
}

}  // namespace

platform::FontHandle MakeCaptionFont(const OverlaySettings& settings) {
  FaceName face;
  CopyFaceName(face, settings.faceName);
  // Only face and height are the user's.
  const platform::FontParams params{
      .height = settings.fontHeight,
      .width = 0,
      .escapement = 0,
      .orientation = 0,
      .weight = platform::kFontWeightNormal,
      .italic = 0,
      .underline = 0,
      .strikeOut = 0,
      .charSet = platform::kShiftJisCharset,
      .outPrecision = 0,
      .clipPrecision = 0,
      .quality = platform::kAntialiasedQuality,
      .pitchAndFamily = platform::kModernFamilyDefaultPitch,
      .faceName = face,
  };
  return platform::MakeFont(params);
}

void ReplaceCaptionFont(CaptionFont& font, platform::FontHandle replacement) {
  if (font.handle) platform::ReleaseFont(font.handle);
  font.handle = replacement;
}

void ChooseCaptionFont(OverlaySettings& settings, CaptionFont& font, platform::WindowHandle owner) {
  // The dialog starts from the current face and height, read back from a
  // temporary font; if that fails it starts from an empty description.
  platform::LogFont logFont{};
  if (const platform::FontHandle current = MakeCaptionFont(settings)) {
    platform::ReadFontDescription(current, logFont);
    platform::ReleaseFont(current);
  }
  platform::FontDialog dialog{
      .structSize = platform::kFontDialogSize,
      .owner = owner,
      .logFont = &logFont,
      .flags = platform::kFontDialogScreenFonts | platform::kFontDialogInitToLogFont,
      .rgbColors = settings.textColor,
      .fontType = platform::kScreenFontType,
  };
  if (!platform::RunFontDialog(dialog)) return;
  settings.textColor = dialog.rgbColors;
  CopyFaceName(settings.faceName, logFont.lfFaceName);
  settings.fontHeight = logFont.lfHeight;
  // Before the first frame, that frame still makes its own font.
  ReplaceCaptionFont(font, MakeCaptionFont(settings));
}

int32_t ChooseTextColor(OverlaySettings& settings, platform::WindowHandle owner) {
  const ColourChoice choice = RunColourChooser(owner, settings.textColor);
  if (choice.result) settings.textColor = choice.colour;
  return choice.result;
}

int32_t ChooseBorderColor(OverlaySettings& settings, platform::WindowHandle owner) {
  const ColourChoice choice = RunColourChooser(owner, settings.borderColor);
  if (choice.result) settings.borderColor = choice.colour;
  return choice.result;
}

}  // namespace meridel
