// The LED time display's geometry: which segments each digit lights, the
// one-pixel lines of each segment in a cell, and where the eight cells sit
// in the panel. The Win32 renderer draws from these lines, and a test that
// reads a screenshot back uses cell_pixels to know what each pixel must be.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace panel {

// Segment bits of a digit's mask.
enum Segment : std::uint8_t {
  kSegmentUpperLeft = 0x40,
  kSegmentTop = 0x20,
  kSegmentUpperRight = 0x10,
  kSegmentLowerRight = 0x08,
  kSegmentBottom = 0x04,
  kSegmentLowerLeft = 0x02,
  kSegmentMiddle = 0x01,
};

// The order the renderer draws the segments in; where lines of two
// segments meet (only in very small cells) the later one shows.
inline constexpr std::array<std::uint8_t, 7> kSegmentDrawOrder = {
    kSegmentUpperLeft,  kSegmentTop,       kSegmentUpperRight, kSegmentLowerRight,
    kSegmentBottom,     kSegmentLowerLeft, kSegmentMiddle};

// The segments digit 0-9 lights; any other value lights none, so a value
// too large for its cells shows dark cells instead of reading past the table.
std::uint8_t segment_mask(int digit);

// A horizontal or vertical one-pixel line from (x0, y0) towards (x1, y1);
// the end point itself is not drawn, as with GDI's LineTo.
struct SegmentLine {
  int x0, y0, x1, y1;
};

struct SegmentLines {
  std::array<SegmentLine, 3> line{};
  int count = 0;
};

// The lines of one segment (a single bit) in a width x height cell; none
// for anything but one of the seven bits.
SegmentLines segment_lines(std::uint8_t segment, int width, int height);

enum class CellPixel : std::uint8_t { Background, Unlit, Lit };

// What the renderer leaves at each pixel of a width x height cell showing
// digit, row by row from the top (index y * width + x): background, then
// every segment's lines in draw order, lit where the mask has the bit.
std::vector<CellPixel> cell_pixels(int digit, int width, int height);

// The time display: eight cells of 11 x 19 pixels from y = 9, in window
// coordinates: track hundreds, tens, units; hours; minutes tens, units;
// seconds tens, units.
inline constexpr int kTimeCellWidth = 11;
inline constexpr int kTimeCellHeight = 19;
inline constexpr int kTimeCellTop = 9;
inline constexpr std::array<int, 8> kTimeCellLeft = {115, 128, 141, 175, 194, 207, 228, 241};

// The digits of the eight cells. Each group divides by its place values,
// leaving the remainder for the next place, so track 7 reads 007; a value
// that does not fit its cells yields a digit above 9 in the first cell.
std::array<int, 8> time_digits(int track, int hours, int minutes, int seconds);

}  // namespace panel
