// The "Font", "Text Color" and "Border Color" buttons, and the caption font.
#pragma once

#include <cstdint>

#include "host/overlay_settings.h"
#include "platform/platform.h"

namespace meridel {

// Every caption font is made from the settings with these fixed parameters.
platform::FontHandle MakeCaptionFont(const OverlaySettings& settings);

// Puts a new font into the cache, releasing the one it replaces.
void ReplaceCachedFont(platform::FontHandle font);

void ChooseCaptionFont(platform::WindowHandle owner);
int32_t ChooseTextColor(platform::WindowHandle owner);
int32_t ChooseBorderColor(platform::WindowHandle owner);

}  // namespace meridel
