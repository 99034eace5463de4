// The drawer under Wine: a known 24-bit picture drawn through MSVFW32 into a
// memory DC and read back, one to one, stretched and interlaced; and the
// drawer that draws nothing when its library cannot be loaded.
#include <gtest/gtest.h>

#include <vector>

#include "qemliv32/win32/drawdib.h"
#include "qemliv32/win32/tests/media_test_canvas.h"

namespace qem {
namespace {

using qem_test::Canvas;
using qem_test::rgb;

constexpr uint32_t kFill = 0x123456;

// 6 x 4 pixels, 24 bits, rows bottom-up; pixel (x, y from the top) has its
// own colour.
struct Picture {
  static constexpr int w = 6, h = 4, stride = 20;
  BITMAPINFOHEADER header = {};
  std::vector<uint8_t> bits = std::vector<uint8_t>(stride * h);
  Picture() {
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &bits[(h - 1 - y) * stride + 3 * x];
        p[0] = 99;          // blue
        p[1] = uint8_t(50 * y + 20);
        p[2] = uint8_t(40 * x + 10);
      }
  }
  static uint32_t colour(int x, int y) { return rgb(40 * x + 10, 50 * y + 20, 99); }
};

TEST(MediaDrawDib, KnownPictureOneToOneAndStretched) {
  DrawDib drawer;
  ASSERT_TRUE(drawer.available()) << "MSVFW32.DLL and its thirteen functions";
  Picture pic;
  Canvas canvas(20, 12, kFill);
  ASSERT_TRUE(canvas.ok());

  RECT one = {2, 3, 2 + Picture::w, 3 + Picture::h};
  ASSERT_TRUE(drawer.draw_picture(canvas.dc(), one, &pic.header, pic.bits.data(), false));
  for (int y = 0; y < Picture::h; ++y)
    for (int x = 0; x < Picture::w; ++x)
      EXPECT_EQ(canvas.pixel(2 + x, 3 + y), Picture::colour(x, y)) << x << "," << y;
  EXPECT_EQ(canvas.pixel(1, 3), kFill) << "nothing outside the rectangle";
  EXPECT_EQ(canvas.pixel(8, 3), kFill);
  EXPECT_EQ(canvas.pixel(2, 7), kFill);

  // Twice the size, into another DC: each source pixel becomes 2 x 2.
  Canvas big(12, 8, kFill);
  RECT twice = {0, 0, 12, 8};
  ASSERT_TRUE(drawer.draw_picture(big.dc(), twice, &pic.header, pic.bits.data(), false));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(big.pixel(x, y), Picture::colour(x / 2, y / 2)) << x << "," << y;
}

TEST(MediaDrawDib, InterlacedLeavesEveryOtherRowBlack) {
  DrawDib drawer;
  ASSERT_TRUE(drawer.available());
  Picture pic;
  struct Case {
    const char* name;
    RECT rect;
    int src_rows_per_row;  // destination row pairs per source row
  } cases[] = {
      {"zoomed: twice the picture", {1, 2, 13, 10}, 1},
      {"stretched to four times the height", {1, 2, 13, 18}, 2},
  };
  for (const Case& c : cases) {
    Canvas canvas(14, 20, 0);
    ASSERT_TRUE(drawer.draw_picture(canvas.dc(), c.rect, &pic.header, pic.bits.data(), true))
        << c.name;
    for (int y = c.rect.top; y < c.rect.bottom; ++y) {
      int row = y - c.rect.top;
      for (int x = c.rect.left; x < c.rect.right; ++x) {
        uint32_t want = row % 2 ? 0 : Picture::colour((x - c.rect.left) / 2,
                                                      row / 2 / c.src_rows_per_row);
        EXPECT_EQ(canvas.pixel(x, y), want) << c.name << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(canvas.pixel(0, 2), 0u) << c.name;
    EXPECT_EQ(canvas.pixel(13, 2), 0u) << c.name;
  }
}

TEST(MediaDrawDib, DrawsNothingWithoutItsLibrary) {
  DrawDib drawer("media-no-such-msvfw32.dll");
  EXPECT_FALSE(drawer.available());
  Picture pic;
  Canvas canvas(8, 6, kFill);
  RECT r = {0, 0, 8, 6};
  EXPECT_FALSE(drawer.draw_picture(canvas.dc(), r, &pic.header, pic.bits.data(), false));
  EXPECT_FALSE(drawer.draw_picture(canvas.dc(), r, &pic.header, pic.bits.data(), true));
  EXPECT_FALSE(drawer.set_palette(NULL));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas.pixel(x, y), kFill) << x << "," << y;
}

}  // namespace
}  // namespace qem
