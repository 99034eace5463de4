// The media tests' canvas: the shared one, its colours given as 0xRRGGBB.
#pragma once

#include <cstdint>

#include "testing/win32/canvas.h"

namespace qem_test {

inline uint32_t rgb(int r, int g, int b) {
  return uint32_t(r & 255) << 16 | uint32_t(g & 255) << 8 | uint32_t(b & 255);
}

class Canvas : public itest::Canvas {
 public:
  Canvas(int width, int height, uint32_t fill_rgb)
      : itest::Canvas(width, height, RGB(fill_rgb >> 16, (fill_rgb >> 8) & 255, fill_rgb & 255)) {}
};

}  // namespace qem_test
