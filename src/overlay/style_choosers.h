// The caption font, and the "Font", "Text Color" and "Border Color" buttons:
// the system's dialogs, their choice stored in the settings block.
#pragma once

#include <cstdint>

#include "overlay/overlay_settings.h"
#include "platform/platform.h"

namespace meridel {

// The font the caption is drawn with, owned by the filter instance.
struct CaptionFont {
  platform::FontHandle handle = nullptr;  // null until made; may stay null if making it failed
  bool created = false;                   // the first frame since start-up has made it
};

// Every caption font is made from the settings' face and height with the
// same fixed parameters; null when the system cannot make it.
platform::FontHandle MakeCaptionFont(const OverlaySettings& settings);

// Puts `replacement` into the cache, releasing the font it replaces.
void ReplaceCaptionFont(CaptionFont& font, platform::FontHandle replacement);

// Opens the font dialog on the current face, height and text colour; a
// confirmed choice stores the face, height and colour and replaces the
// cached font (`created` is left as it is). A cancelled one changes nothing.
void ChooseCaptionFont(OverlaySettings& settings, CaptionFont& font, platform::WindowHandle owner);

// Open the colour dialog on the field's colour and store a confirmed one.
// Return the dialog's result: nonzero when a colour was confirmed.
int32_t ChooseTextColor(OverlaySettings& settings, platform::WindowHandle owner);
int32_t ChooseBorderColor(OverlaySettings& settings, platform::WindowHandle owner);

}  // namespace meridel
