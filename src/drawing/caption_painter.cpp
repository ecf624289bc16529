#include "drawing/caption_painter.h"

#include <algorithm>
#include <cmath>

#include "drawing/font_lookup.h"

namespace meridel::drawing {

int64_t PixelOf(double fraction, uint32_t size) {
  return static_cast<int64_t>(std::floor(std::clamp(fraction, -1e6, 1e6) * size));
}

void CaptionPainter::Draw(const CaptionSettings& settings, const Picture& picture, std::string_view text,
                          const Say& say) {
  const int32_t size = FontPixelSize(settings.fontSize, picture.height);
  PrepareFont(settings.font, size, say);
  if (!font_) return;
  if (!caption_.Draw(*font_, picture, text, PixelOf(settings.x, picture.width), PixelOf(settings.y, picture.height),
                     settings.textColor, settings.borderColor)) {
    say("the caption is too large to draw at " + std::to_string(size) + " pixels in this picture format");
  }
}

void CaptionPainter::PrepareFont(const std::string& setting, int32_t size, const Say& say) {
  if (fontSetting_ && *fontSetting_ == setting && fontSize_ == size) return;
  fontSetting_ = setting;
  fontSize_ = size;
  font_.reset();
  if (OpenFont(setting, size, say)) return;
  const std::string fallback(kDefaultFontPattern);
  if (setting != fallback && OpenFont(fallback, size, say)) return;
  say("no font could be opened, so no caption is drawn");
}

bool CaptionPainter::OpenFont(const std::string& setting, int32_t size, const Say& say) {
  const FontMatch match = FindFont(setting);
  if (match.file.empty() || (!match.exact && setting != kDefaultFontPattern)) {
    say("font \"" + setting + "\" not found, using \"" + std::string(kDefaultFontPattern) + "\"");
    return false;
  }
  std::string error;
  font_ = CaptionFont::Open(match.file, match.faceIndex, size, error);
  if (!font_) say("font \"" + setting + "\": " + error);
  return font_ != nullptr;
}

}  // namespace meridel::drawing
