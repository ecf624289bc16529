#include "frame_image.h"

#include <stdexcept>

#include "png_writer.h"
#include "text.h"

namespace standin {
namespace {

constexpr UINT kTextFormat = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_NOCLIP;

// Antialiasing and glyph overhang may reach a little past the measured box,
// besides the border's one pixel.
constexpr int kBoxMargin = 3;

COLORREF Mix(COLORREF from, COLORREF to, int step, int steps) {
  auto channel = [&](int a, int b) { return a + (b - a) * step / (steps > 1 ? steps - 1 : 1); };
  return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
             channel(GetBValue(from), GetBValue(to)));
}

uint32_t ToPixel(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

std::string Rgb(COLORREF colour) {
  return Dec(GetRValue(colour)) + "," + Dec(GetGValue(colour)) + "," + Dec(GetBValue(colour));
}

}  // namespace

FrameImage::FrameImage(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_ = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_) {
    if (dc_) DeleteDC(dc_);
    throw std::runtime_error("cannot make a " + Dec(width) + "x" + Dec(height) + " frame");
  }
  pixels_ = static_cast<uint32_t*>(bits);
  previousBitmap_ = SelectObject(dc_, bitmap_);
}

FrameImage::~FrameImage() {
  SelectObject(dc_, previousBitmap_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF FrameImage::Background(int y, int height) {
  const int horizon = height * 3 / 5;
  if (y < horizon) return Mix(RGB(62, 108, 168), RGB(150, 186, 222), y, horizon);
  return Mix(RGB(72, 88, 60), RGB(34, 44, 30), y - horizon, height - horizon);
}

void FrameImage::PaintBackground() {
  GdiFlush();
  for (int y = 0; y < height_; ++y) {
    const uint32_t pixel = ToPixel(Background(y, height_));
    uint32_t* row = pixels_ + static_cast<size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) row[x] = pixel;
  }
}

void FrameImage::Draw(const DrawCall& call) {
  const HGDIOBJ previousFont = call.font ? SelectObject(dc_, static_cast<HFONT>(call.font)) : nullptr;
  SetTextColor(dc_, RGB(call.red, call.green, call.blue));
  SetBkMode(dc_, TRANSPARENT);
  RECT box = {call.x, call.y, call.x, call.y};
  ::DrawTextA(dc_, call.text.c_str(), -1, &box, kTextFormat);
  if (previousFont) SelectObject(dc_, previousFont);
}

RECT FrameImage::MeasureText(const DrawCall& call) {
  const HGDIOBJ previousFont = call.font ? SelectObject(dc_, static_cast<HFONT>(call.font)) : nullptr;
  RECT box = {call.x, call.y, call.x, call.y};
  ::DrawTextA(dc_, call.text.c_str(), -1, &box, kTextFormat | DT_CALCRECT);
  if (previousFont) SelectObject(dc_, previousFont);
  return box;
}

COLORREF FrameImage::Pixel(int x, int y) const {
  const uint32_t pixel = pixels_[static_cast<size_t>(y) * width_ + x];
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool FrameImage::SavePng(const std::string& path) const {
  GdiFlush();
  return WritePng(path, width_, height_, reinterpret_cast<const uint8_t*>(pixels_),
                  static_cast<size_t>(width_) * 4);
}

std::vector<std::string> CheckPicture(FrameImage& image, const std::vector<DrawCall>& passes,
                                      std::string& summary) {
  if (passes.size() != 5) return {"the picture check needs the five drawing calls of one frame"};
  const DrawCall& text = passes.back();
  const COLORREF textColour = RGB(text.red, text.green, text.blue);
  const COLORREF borderColour = RGB(passes[0].red, passes[0].green, passes[0].blue);
  const RECT box = image.MeasureText(text);
  GdiFlush();
  const RECT around = {box.left - kBoxMargin, box.top - kBoxMargin, box.right + kBoxMargin,
                       box.bottom + kBoxMargin};

  long textInside = 0, borderAround = 0, strays = 0;
  POINT firstStray{};
  for (int y = 0; y < image.Height(); ++y) {
    const COLORREF background = FrameImage::Background(y, image.Height());
    for (int x = 0; x < image.Width(); ++x) {
      const COLORREF pixel = image.Pixel(x, y);
      const bool inBox = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      const bool inAround = x >= around.left && x < around.right && y >= around.top && y < around.bottom;
      if (inBox && pixel == textColour) ++textInside;
      if (inAround && pixel == borderColour) ++borderAround;
      if (!inAround && pixel != background && strays++ == 0) firstStray = {x, y};
    }
  }
  summary = "caption box (" + Dec(box.left) + "," + Dec(box.top) + ")-(" + Dec(box.right) + "," +
            Dec(box.bottom) + "): " + Dec(textInside) + " pixels of text colour " + Rgb(textColour) +
            ", " + Dec(borderAround) + " of border colour " + Rgb(borderColour) + ", " + Dec(strays) +
            " changed elsewhere";
  std::vector<std::string> faults;
  if (box.right <= box.left || box.bottom <= box.top) faults.push_back("the caption's box is empty");
  if (textInside == 0) faults.push_back("no pixel of the text colour inside the caption's box");
  if (borderAround == 0) faults.push_back("no pixel of the border colour around the text");
  if (strays > 0)
    faults.push_back(Dec(strays) + " pixels changed outside the caption's box, the first at (" +
                     Dec(firstStray.x) + "," + Dec(firstStray.y) + ")");
  return faults;
}

}  // namespace standin
