// A memory device context on a 32-bit top-down DIB section, filled with one
// colour, whose pixels a test reads back after drawing into it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qem_test {

class Canvas {
 public:
  Canvas(int width, int height, uint32_t fill_rgb) : width_(width), height_(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(NULL);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = fill_rgb;
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ok() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // 0xRRGGBB
  uint32_t pixel(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }

 private:
  int width_, height_;
  HDC dc_ = NULL;
  HBITMAP bitmap_ = NULL;
  HGDIOBJ old_ = NULL;
  uint32_t* bits_ = nullptr;
};

inline uint32_t rgb(int r, int g, int b) {
  return uint32_t(r & 255) << 16 | uint32_t(g & 255) << 8 | uint32_t(b & 255);
}

}  // namespace qem_test
