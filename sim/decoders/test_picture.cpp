#include "sim/decoders/test_picture.h"

#include <algorithm>
#include <string>

namespace qdec {
namespace {

enum Colour : uint8_t {
  kBlack = 0,
  kWhite = 1,
  kYellow = 2,
  kCyan = 3,
  kGreen = 4,
  kMagenta = 5,
  kRed = 6,
  kBlue = 7,
  kGrey = 8,
  kDarkBlue = 11,
};

// 3 x 5 digits, one row of three bits per nibble, top row first.
constexpr uint32_t kGlyphs[10] = {
    0x75557, 0x26227, 0x71747, 0x71717, 0x55711,
    0x74717, 0x74757, 0x71122, 0x75757, 0x75717,
};

bool glyph_bit(int digit, int gx, int gy) {
  uint32_t g = kGlyphs[digit];
  return (g >> ((4 - gy) * 4 + (2 - gx))) & 1;
}

struct Rows {
  int bars_end, cells, complement;
};

Rows rows_of(int height) {
  int p = height * 10 / 12;
  return {p / 3, p, height * 11 / 12};
}

void fill(Picture& pic, int x0, int y0, int x1, int y1, uint8_t c) {
  for (int y = std::max(y0, 0); y < std::min(y1, pic.height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, pic.width); ++x)
      pic.index[std::size_t(y) * pic.width + x] = c;
}

void draw_number(Picture& pic, uint32_t n, int x0, int y0, int w, int h) {
  std::string text = std::to_string(n);
  int units = int(text.size()) * 4 - 1;
  int scale = std::min((w - 2) / units, (h - 2) / 5);
  if (scale < 1) return;
  int x = x0 + (w - units * scale) / 2, y = y0 + (h - 5 * scale) / 2;
  for (char ch : text) {
    for (int gy = 0; gy < 5; ++gy)
      for (int gx = 0; gx < 3; ++gx)
        if (glyph_bit(ch - '0', gx, gy))
          fill(pic, x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale,
               kYellow);
    x += 4 * scale;
  }
}

// Light or dark, with a margin so grey or a blend of neighbours reads as neither.
std::optional<bool> bit_of(const Rgb& c) {
  int luma = (c.r * 299 + c.g * 587 + c.b * 114) / 1000;
  if (luma >= 170) return true;
  if (luma <= 85) return false;
  return std::nullopt;
}

}  // namespace

const std::array<Rgb, kPaletteSize>& palette() {
  static const std::array<Rgb, kPaletteSize> p = {{
      {0, 0, 0},       {255, 255, 255}, {255, 255, 0}, {0, 255, 255},
      {0, 255, 0},     {255, 0, 255},   {255, 0, 0},   {0, 0, 255},
      {128, 128, 128}, {64, 64, 64},    {192, 192, 192}, {0, 0, 128},
      {0, 128, 0},     {128, 0, 0},     {255, 128, 0}, {0, 128, 128},
  }};
  return p;
}

Picture test_picture(uint32_t n, int width, int height) {
  Picture pic;
  pic.width = std::clamp(width, kMinDimension, kMaxDimension);
  pic.height = std::clamp(height, kMinDimension, kMaxDimension);
  const int w = pic.width, h = pic.height;
  pic.index.assign(std::size_t(w) * h, kGrey);
  Rows r = rows_of(h);

  static constexpr uint8_t kBars[8] = {kWhite, kYellow, kCyan, kGreen,
                                       kMagenta, kRed, kBlue, kBlack};
  for (int j = 0; j < 8; ++j) fill(pic, j * w / 8, 0, (j + 1) * w / 8, r.bars_end, kBars[j]);

  // The box bounces between the field's left and right edges, 4 pixels a frame.
  int field = r.cells - r.bars_end;
  int box_w = std::max(4, w / 3), box_h = std::max(1, field * 3 / 4);
  int travel = w - box_w;
  int x = 0;
  if (travel > 0) {
    int p = int((uint64_t(n) * 4) % uint64_t(2 * travel));
    x = p <= travel ? p : 2 * travel - p;
  }
  int y = r.bars_end + (field - box_h) / 2;
  fill(pic, x, y, x + box_w, y + box_h, kDarkBlue);
  draw_number(pic, n, x, y, box_w, box_h);

  for (int i = 0; i < 16; ++i) {
    bool one = (n >> (15 - i)) & 1;
    int x0 = i * w / 16, x1 = (i + 1) * w / 16;
    fill(pic, x0, r.cells, x1, r.complement, one ? kWhite : kBlack);
    fill(pic, x0, r.complement, x1, h, one ? kBlack : kWhite);
  }
  return pic;
}

std::optional<uint16_t> read_frame_number(const RgbSampler& sample, int left, int top, int width,
                                          int height) {
  if (width < 16 || height < 12) return std::nullopt;
  Rows r = rows_of(height);
  int y_bits = top + (r.cells + r.complement) / 2;
  int y_comp = top + (r.complement + height) / 2;
  uint16_t n = 0;
  for (int i = 0; i < 16; ++i) {
    int x = left + (i * width / 16 + (i + 1) * width / 16) / 2;
    auto bit = bit_of(sample(x, y_bits));
    auto comp = bit_of(sample(x, y_comp));
    if (!bit || !comp || *bit == *comp) return std::nullopt;
    n = uint16_t(n << 1 | (*bit ? 1 : 0));
  }
  return n;
}

}  // namespace qdec
