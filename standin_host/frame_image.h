// The frame the stand-in host hands to the filter: a 32-bit top-down DIB
// section with a synthetic picture, drawn into with GDI as a real editor
// draws text into its frame buffer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// One call of the host's DrawTextOnFrame service, as the filter made it.
struct DrawCall {
  void* image = nullptr;
  int32_t x = 0;
  int32_t y = 0;
  std::string text;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  int32_t zeroA = 0;
  void* font = nullptr;
  int32_t zeroB = 0;
  int32_t zeroC = 0;
};

class FrameImage {
 public:
  FrameImage(int width, int height);
  ~FrameImage();
  FrameImage(const FrameImage&) = delete;
  FrameImage& operator=(const FrameImage&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Sky over dark ground: light enough to see, never pure white, green or black.
  static COLORREF Background(int y, int height);
  void PaintBackground();

  // Draws the text at (x, y) in the call's font and colour; a line feed
  // starts the next line at x again.
  void Draw(const DrawCall& call);

  // The box that the text of `call` covers, measured with the same font.
  RECT MeasureText(const DrawCall& call);

  // Reads the bitmap directly: call GdiFlush() after drawing first.
  COLORREF Pixel(int x, int y) const;
  bool SavePng(const std::string& path) const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  uint32_t* pixels_ = nullptr;  // BGRX, top row first
};

// Checks a rendered frame against its five drawing calls: text-colour pixels
// inside the caption's box, border-colour pixels around them, and every pixel
// outside the box as the untouched background. Returns the faults found;
// `summary` describes what was seen.
std::vector<std::string> CheckPicture(FrameImage& image, const std::vector<DrawCall>& passes,
                                      std::string& summary);

}  // namespace standin
