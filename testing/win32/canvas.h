// A memory device context on a 32-bit top-down DIB section: what a test
// draws into it (or copies into it from a window) reads back pixel by
// pixel, in exact colours.
#pragma once

#include <windows.h>

#include <cstdint>

namespace itest {

class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill_colour) : width_(width), height_(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(NULL);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    if (bits_) fill(fill_colour);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ok() const { return dc_ && bitmap_ && bits_; }
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }

  void fill(COLORREF c) {
    GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = to_rgb(c);
  }
  // Copies the source's rectangle at (x, y), of the canvas's size.
  bool copy_from(HDC source, int x, int y) {
    bool done = BitBlt(dc_, 0, 0, width_, height_, source, x, y, SRCCOPY) != FALSE;
    GdiFlush();
    return done;
  }
  COLORREF at(int x, int y) const {
    uint32_t v = pixel(x, y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // 0xRRGGBB
  uint32_t pixel(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }

  static uint32_t to_rgb(COLORREF c) {
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
  }

 private:
  int width_, height_;
  HDC dc_ = NULL;
  HBITMAP bitmap_ = NULL;
  HGDIOBJ old_ = NULL;
  uint32_t* bits_ = nullptr;
};

}  // namespace itest
