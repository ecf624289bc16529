// Which font file a caption font setting means, through fontconfig.
#pragma once

#include <string>
#include <string_view>

#include "overlay/caption_settings.h"

namespace meridel::drawing {

// The default font, installed by scripts/setup.sh (fonts-dejavu-core).
inline constexpr std::string_view kDefaultFontPattern = kDefaultFont;

struct FontMatch {
  std::string file;    // empty when fontconfig knows no font at all
  int faceIndex = 0;   // fontconfig's index, as FT_New_Face takes it
  std::string family;  // the matched font's first family name, for messages
  // False when fontconfig substituted another family for the one asked for,
  // so that the caller can say "font X not found, using Y".
  bool exact = false;
};

// `setting` is a fontconfig family or pattern ("DejaVu Sans Mono",
// "Noto Sans:bold") or the path of a font file; empty means the default
// pattern. Never throws except std::bad_alloc and std::system_error; safe
// from any thread (lookups take turns).
FontMatch FindFont(std::string_view setting);

}  // namespace meridel::drawing
