#include "panel/seven_segment.h"

#include <cstddef>

namespace panel {

namespace {

constexpr std::array<std::uint8_t, 10> kDigitMasks = {0x7E, 0x18, 0x37, 0x3D, 0x59,
                                                       0x6D, 0x6F, 0x38, 0x7F, 0x79};

int step_towards(int from, int to) { return from < to ? 1 : from > to ? -1 : 0; }

}  // namespace

std::uint8_t segment_mask(int digit) {
  if (digit < 0 || digit >= static_cast<int>(kDigitMasks.size())) return 0;
  return kDigitMasks[static_cast<std::size_t>(digit)];
}

SegmentLines segment_lines(std::uint8_t segment, int w, int h) {
  const int half = h / 2;
  SegmentLines s;
  auto add = [&s](int x0, int y0, int x1, int y1) { s.line[s.count++] = {x0, y0, x1, y1}; };
  switch (segment) {
    case kSegmentUpperLeft:
      add(1, 1, 1, half);
      add(2, 2, 2, half - 1);
      break;
    case kSegmentTop:
      add(3, 1, w - 3, 1);
      add(4, 2, w - 4, 2);
      break;
    case kSegmentUpperRight:
      add(w - 2, 1, w - 2, half);
      add(w - 3, 2, w - 3, half - 1);
      break;
    case kSegmentLowerRight:
      add(w - 2, half + 1, w - 2, h - 1);
      add(w - 3, half + 2, w - 3, h - 2);
      break;
    case kSegmentBottom:
      add(3, h - 2, w - 3, h - 2);
      add(4, h - 3, w - 4, h - 3);
      break;
    case kSegmentLowerLeft:
      add(1, half + 1, 1, h - 1);
      add(2, half + 2, 2, h - 2);
      break;
    case kSegmentMiddle:
      add(3, half + 1, w - 3, half + 1);
      add(2, half, w - 2, half);
      add(3, half - 1, w - 3, half - 1);
      break;
    default:
      break;
  }
  return s;
}

std::vector<CellPixel> cell_pixels(int digit, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  std::vector<CellPixel> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                CellPixel::Background);
  const std::uint8_t mask = segment_mask(digit);
  for (std::uint8_t segment : kSegmentDrawOrder) {
    const CellPixel colour = (mask & segment) ? CellPixel::Lit : CellPixel::Unlit;
    const SegmentLines lines = segment_lines(segment, width, height);
    for (int i = 0; i < lines.count; ++i) {
      const SegmentLine& l = lines.line[static_cast<std::size_t>(i)];
      const int dx = step_towards(l.x0, l.x1), dy = step_towards(l.y0, l.y1);
      for (int x = l.x0, y = l.y0; x != l.x1 || y != l.y1; x += dx, y += dy) {
        if (x >= 0 && x < width && y >= 0 && y < height)
          pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
              colour;
      }
    }
  }
  return pixels;
}

std::array<int, 8> time_digits(int track, int hours, int minutes, int seconds) {
  std::array<int, 8> d{};
  d[0] = track / 100;
  d[1] = track % 100 / 10;
  d[2] = track % 10;
  d[3] = hours;
  d[4] = minutes / 10;
  d[5] = minutes % 10;
  d[6] = seconds / 10;
  d[7] = seconds % 10;
  return d;
}

}  // namespace panel
