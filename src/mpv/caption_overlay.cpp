#include "mpv/caption_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace meridel::mpv {
namespace {

// A pixel coordinate as ASS reads it: whole, and bounded, so that any
// fraction a user sets stays a number.
std::string Pixels(double value) {
  return std::to_string(std::lround(std::clamp(value, -1e6, 1e6)));
}

// ASS colours are &HBBGGRR&.
std::string AssColor(RgbColor color) {
  char text[16];
  std::snprintf(text, sizeof text, "&H%02X%02X%02X&", color.b, color.g, color.r);
  return text;
}

}  // namespace

std::string EscapeAss(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') {
      out += "\\N";
    } else if (c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (c == '\\') {
      out += "\\\xE2\x81\xA0";  // a word joiner after it: no ASS escape starts there
    } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      out += c;
    }
  }
  return out;
}

std::optional<CaptionOverlay> BuildCaptionOverlay(std::string_view caption, const CaptionSettings& settings,
                                                  const OsdGeometry& osd, int64_t videoWidth, int64_t videoHeight) {
  OsdGeometry area = osd;
  if (area.width <= 0 || area.height <= 0) area = {.width = videoWidth, .height = videoHeight};
  const double left = static_cast<double>(area.marginLeft);
  const double top = static_cast<double>(area.marginTop);
  const double width = static_cast<double>(area.width - area.marginLeft - area.marginRight);
  const double height = static_cast<double>(area.height - area.marginTop - area.marginBottom);
  if (width <= 0 || height <= 0 || videoHeight <= 0 || videoHeight > UINT32_MAX) return std::nullopt;

  const double fontSize = FontPixelSize(settings.fontSize, static_cast<uint32_t>(videoHeight)) * height / videoHeight;
  std::string events = "{\\rDefault\\an7\\q2\\pos(" + Pixels(left + settings.x * width) + "," +
                       Pixels(top + settings.y * height) + ")\\fn" + std::string(kDefaultFont) + "\\fs" +
                       Pixels(std::max(1.0, fontSize)) + "\\b0\\i0\\fsp0\\fscx100\\fscy100\\bord1\\shad0\\1c" +
                       AssColor(settings.textColor) + "\\3c" + AssColor(settings.borderColor) +
                       "\\1a&H00&\\3a&H00&}" + EscapeAss(caption);
  return CaptionOverlay{std::move(events), area.width, area.height};
}

}  // namespace meridel::mpv
