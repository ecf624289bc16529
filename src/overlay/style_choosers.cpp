// PLACEHOLDER: replaced by the caption work.
#include "overlay/style_choosers.h"
namespace meridel {
platform::FontHandle MakeCaptionFont(const OverlaySettings&) { return nullptr; }
void ReplaceCachedFont(platform::FontHandle) {}
void ChooseCaptionFont(platform::WindowHandle) {}
int32_t ChooseTextColor(platform::WindowHandle) { return 0; }
int32_t ChooseBorderColor(platform::WindowHandle) { return 0; }
}  // namespace meridel
