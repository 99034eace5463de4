#include "panel/seven_segment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace panel {
namespace {

// ".": background, "o": an unlit segment, "#": a lit one.
std::vector<std::string> picture(int digit, int width, int height) {
  std::vector<CellPixel> pixels = cell_pixels(digit, width, height);
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      switch (pixels[static_cast<size_t>(y * width + x)]) {
        case CellPixel::Background: row += '.'; break;
        case CellPixel::Unlit: row += 'o'; break;
        case CellPixel::Lit: row += '#'; break;
      }
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(SevenSegment, EachDigitLightsItsSegments) {
  const std::uint8_t UL = kSegmentUpperLeft, T = kSegmentTop, UR = kSegmentUpperRight,
                     LR = kSegmentLowerRight, B = kSegmentBottom, LL = kSegmentLowerLeft,
                     M = kSegmentMiddle;
  struct Case {
    int digit;
    int segments;
  };
  const Case cases[] = {
      {0, UL | T | UR | LR | B | LL},
      {1, UR | LR},
      {2, T | UR | M | LL | B},
      {3, T | UR | M | LR | B},
      {4, UL | UR | M | LR},
      {5, T | UL | M | LR | B},
      {6, T | UL | M | LL | LR | B},
      // This display's 7 has no upper-left stroke, its 9 no bottom.
      {7, T | UR | LR},
      {8, UL | T | UR | LR | B | LL | M},
      {9, UL | T | UR | M | LR},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.segments, segment_mask(c.digit)) << "digit " << c.digit;
}

TEST(SevenSegment, ValuesThatAreNoDigitLightNothing) {
  for (int value : {-1, 10, 12, 100, -100}) {
    EXPECT_EQ(0, segment_mask(value)) << value;
    for (CellPixel p : cell_pixels(value, 11, 19)) EXPECT_NE(CellPixel::Lit, p) << value;
  }
  EXPECT_EQ(0, segment_lines(0x03, 11, 19).count) << "two bits at once";
  EXPECT_EQ(0, segment_lines(0x80, 11, 19).count);
  EXPECT_TRUE(cell_pixels(8, 0, 19).empty());
}

TEST(SevenSegment, CellOfTheDisplayShowsEightAndOne) {
  const std::vector<std::string> eight = {
      "...........",
      ".#.#####.#.",
      ".##.###.##.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".#.#####.#.",
      "..#######..",
      ".#.#####.#.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".##.....##.",
      ".##.###.##.",
      ".#.#####.#.",
      "...........",
  };
  const std::vector<std::string> one = {
      "...........",
      ".o.ooooo.#.",
      ".oo.ooo.##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".o.ooooo.#.",
      "..ooooooo..",
      ".o.ooooo.#.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.....##.",
      ".oo.ooo.##.",
      ".o.ooooo.#.",
      "...........",
  };
  EXPECT_EQ(eight, picture(8, kTimeCellWidth, kTimeCellHeight));
  EXPECT_EQ(one, picture(1, kTimeCellWidth, kTimeCellHeight));
}

// Other cell sizes: every line inside the cell, and no pixel claimed by
// two segments, so a digit reads the same whatever the draw order.
TEST(SevenSegment, SegmentsStayApartInAnyReasonableCell) {
  for (int w = 9; w <= 24; ++w) {
    for (int h = 11; h <= 32; ++h) {
      std::vector<int> owner(static_cast<size_t>(w * h), 0);
      int drawn = 0;
      for (std::uint8_t segment : kSegmentDrawOrder) {
        SegmentLines lines = segment_lines(segment, w, h);
        ASSERT_GE(lines.count, 2);
        for (int i = 0; i < lines.count; ++i) {
          SegmentLine l = lines.line[static_cast<size_t>(i)];
          ASSERT_TRUE(l.x0 == l.x1 || l.y0 == l.y1) << "segment " << int(segment);
          int dx = (l.x1 > l.x0) - (l.x1 < l.x0), dy = (l.y1 > l.y0) - (l.y1 < l.y0);
          for (int x = l.x0, y = l.y0; x != l.x1 || y != l.y1; x += dx, y += dy) {
            ASSERT_TRUE(x > 0 && x < w - 1 && y > 0 && y < h - 1)
                << w << "x" << h << " segment " << int(segment) << " at " << x << "," << y;
            int& o = owner[static_cast<size_t>(y * w + x)];
            EXPECT_TRUE(o == 0 || o == segment)
                << w << "x" << h << " segments " << o << " and " << int(segment) << " at " << x
                << "," << y;
            o = segment;
            ++drawn;
          }
        }
      }
      EXPECT_GT(drawn, 2 * (w + h)) << w << "x" << h;
    }
  }
}

TEST(SevenSegment, TimeDisplayDigits) {
  struct Case {
    int track, hours, minutes, seconds;
    std::array<int, 8> digits;
  };
  const Case cases[] = {
      {5, 0, 3, 7, {0, 0, 5, 0, 0, 3, 0, 7}},
      {7, 1, 0, 0, {0, 0, 7, 1, 0, 0, 0, 0}},
      {123, 9, 59, 59, {1, 2, 3, 9, 5, 9, 5, 9}},
      {40, 0, 10, 9, {0, 4, 0, 0, 1, 0, 0, 9}},
      // Too large for the cells: the first cell gets no digit, not a wrong one.
      {1005, 12, 0, 0, {10, 0, 5, 12, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.digits, time_digits(c.track, c.hours, c.minutes, c.seconds))
        << c.track << " " << c.hours << ":" << c.minutes << ":" << c.seconds;
  }
  // The cells stand apart from each other, all of them in the panel.
  for (size_t i = 1; i < kTimeCellLeft.size(); ++i)
    EXPECT_GE(kTimeCellLeft[i] - kTimeCellLeft[i - 1], kTimeCellWidth) << "cell " << i;
  EXPECT_LE(kTimeCellLeft.back() + kTimeCellWidth, 369);
}

}  // namespace
}  // namespace panel
