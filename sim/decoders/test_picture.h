// The test picture of frame n: 8-bit indices into a fixed 16-colour palette.
//
// Layout of a w x h picture (rows top-down), from the top:
//   colour bars   rows [0, f)          eight bars: white yellow cyan green
//                                      magenta red blue black
//   field         rows [f, p)          grey, with a dark blue box that moves
//                                      with n, the number n in yellow digits
//   number cells  rows [p, q)          16 cells, bit 15 of n first: white 1,
//                                      black 0
//   complement    rows [q, h)          the same cells inverted
// where p = h * 10 / 12, q = h * 11 / 12, f = p / 3, and cell i spans the
// columns [i * w / 16, (i + 1) * w / 16). The cells are a twelfth of the
// height tall and a sixteenth of the width wide, so from about 64 x 48 on the
// number survives nearest-neighbour scaling to half size.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qdec {

// Picture sizes the test codec carries.
constexpr int kMinDimension = 16;
constexpr int kMaxDimension = 2048;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

constexpr int kPaletteSize = 16;
const std::array<Rgb, kPaletteSize>& palette();

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> index;  // width * height, rows top-down

  uint8_t at(int x, int y) const { return index[std::size_t(y) * width + x]; }
};

// Frame n's picture; width and height are clamped to
// [kMinDimension, kMaxDimension].
Picture test_picture(uint32_t n, int width, int height);

// The colour at (x, y) of whatever shows the picture: a screen, a scaled
// copy, decoded bits.
using RgbSampler = std::function<Rgb(int x, int y)>;

// Reads the low 16 bits of the frame number from a picture shown in the
// rectangle (left, top, width, height) of the sampler's coordinates.
// nullopt when a cell is neither light nor dark or the complement row does
// not match.
std::optional<uint16_t> read_frame_number(const RgbSampler& sample, int left, int top, int width,
                                          int height);

}  // namespace qdec
