// What a filter instance draws its caption with: the font its settings name
// (or the default, with a line saying so) at the size they give, and the
// caption composed in it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "drawing/bordered_caption.h"
#include "drawing/caption_font.h"
#include "drawing/picture.h"
#include "overlay/caption_settings.h"

namespace meridel::drawing {

// A pixel of the picture from a fraction of its size; far-off fractions are
// clamped so that the product stays a number the drawing can clip.
int64_t PixelOf(double fraction, uint32_t size);

class CaptionPainter {
 public:
  // Receives each reason why the caption is drawn otherwise than set, or
  // not at all (a font not found, none at all, a caption too large): one
  // line, without the host's prefix. Lines repeat; hosts say each once.
  using Say = std::function<void(const std::string& line)>;

  // Draws `text` onto `picture` at the settings' place, in their font, size
  // and colours. The font is opened on the first call and again when the
  // font or its size changes. Throws only std::bad_alloc.
  void Draw(const CaptionSettings& settings, const Picture& picture, std::string_view text, const Say& say);

 private:
  void PrepareFont(const std::string& setting, int32_t size, const Say& say);
  bool OpenFont(const std::string& setting, int32_t size, const Say& say);

  std::unique_ptr<CaptionFont> font_;  // null when no font could be opened
  // The font setting and size font_ was opened for; none before the first frame.
  std::optional<std::string> fontSetting_;
  int32_t fontSize_ = 0;
  BorderedCaption caption_;
};

}  // namespace meridel::drawing
