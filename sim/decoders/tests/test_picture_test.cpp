#include "sim/decoders/test_picture.h"

#include <gtest/gtest.h>

#include <string>

namespace qdec {
namespace {

// The picture shown in a rectangle of its own size times num / den, scaled
// nearest-neighbour, at (left, top) of a sampler that is grey elsewhere.
struct Shown {
  const Picture& pic;
  int left, top, num, den;
  int width() const { return pic.width * num / den; }
  int height() const { return pic.height * num / den; }
  RgbSampler sampler() const {
    return [this](int x, int y) {
      x -= left;
      y -= top;
      if (x < 0 || y < 0 || x >= width() || y >= height()) return Rgb{128, 128, 128};
      return palette()[pic.at(x * den / num, y * den / num)];
    };
  }
  std::optional<uint16_t> read() const {
    return read_frame_number(sampler(), left, top, width(), height());
  }
};

TEST(TestPicture, NumberReadsBackAtEverySize) {
  const struct {
    int w, h;
  } sizes[] = {{16, 16}, {17, 23}, {64, 48}, {176, 144}, {320, 240}, {33, 200}, {2048, 16}};
  for (auto s : sizes)
    for (uint32_t n : {0u, 1u, 7u, 0x5A5Au, 0xFFFFu, 0x12345u}) {
      Picture p = test_picture(n, s.w, s.h);
      ASSERT_EQ(p.width, s.w);
      ASSERT_EQ(p.height, s.h);
      EXPECT_EQ(Shown({p, 5, 9, 1, 1}).read(), uint16_t(n)) << s.w << "x" << s.h << " n " << n;
    }
}

TEST(TestPicture, NumberSurvivesDoubleAndHalfSize) {
  const struct {
    int w, h;
  } sizes[] = {{64, 48}, {100, 75}, {176, 144}, {352, 288}};
  for (auto s : sizes)
    for (uint32_t n : {3u, 0xA5C3u, 0xFFFEu})
      for (int num : {1, 4}) {
        Picture p = test_picture(n, s.w, s.h);
        Shown shown{p, 3, 2, num, 2};
        EXPECT_EQ(shown.read(), uint16_t(n))
            << s.w << "x" << s.h << " n " << n << " scale " << num << "/2";
      }
}

TEST(TestPicture, BrokenPatternIsRejected) {
  Picture p = test_picture(0x00FF, 176, 144);
  Shown shown{p, 0, 0, 1, 1};
  ASSERT_EQ(shown.read(), 0x00FF);

  // A complement cell made equal to its bit cell.
  Picture bad = p;
  for (int y = 144 * 11 / 12; y < 144; ++y)
    for (int x = 0; x < 11; ++x) bad.index[y * 176 + x] = p.at(5, 144 * 10 / 12);
  EXPECT_EQ(Shown({bad, 0, 0, 1, 1}).read(), std::nullopt) << "complement equal to its bit";

  // The rectangle a band too low: the reader samples the field and bars.
  EXPECT_EQ(read_frame_number(shown.sampler(), 0, -30, 176, 144), std::nullopt) << "misplaced";
  EXPECT_EQ(read_frame_number([](int, int) { return Rgb{128, 128, 128}; }, 0, 0, 176, 144),
            std::nullopt)
      << "grey";
  EXPECT_EQ(read_frame_number(shown.sampler(), 0, 0, 15, 144), std::nullopt) << "too narrow";
}

TEST(TestPicture, BarsStayAndTheBoxMovesWithItsDigits) {
  Picture a = test_picture(10, 176, 144), b = test_picture(11, 176, 144);
  const Rgb bars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                       {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int j = 0; j < 8; ++j) {
    const Rgb& c = palette()[a.at(j * 22 + 11, 5)];
    EXPECT_TRUE(c.r == bars[j].r && c.g == bars[j].g && c.b == bars[j].b) << "bar " << j;
  }
  // Each picture's box: its leftmost column in the field, and yellow digit pixels inside.
  auto box = [](const Picture& p, int& left, int& yellow) {
    left = -1;
    yellow = 0;
    for (int y = 40; y < 120; ++y)
      for (int x = 0; x < p.width; ++x) {
        uint8_t i = p.at(x, y);
        if (i == 11 && (left < 0 || x < left)) left = x;
        if (i == 2) ++yellow;
      }
  };
  int la, ya, lb, yb;
  box(a, la, ya);
  box(b, lb, yb);
  EXPECT_EQ(la, 40) << "frame 10's box: 4 pixels a frame";
  EXPECT_EQ(lb, 44);
  EXPECT_GT(ya, 0) << "digits drawn";
  EXPECT_NE(ya, yb) << "\"10\" and \"11\" differ";
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 176; ++x) ASSERT_EQ(a.at(x, y), b.at(x, y)) << "bars at " << x << "," << y;

  // Beyond the travel the box comes back.
  int lc, yc;
  box(test_picture(59, 176, 144), lc, yc);  // 2 x travel / 4
  EXPECT_EQ(lc, 0);
}

TEST(TestPicture, SizesAreClamped) {
  Picture p = test_picture(1, 3, 100000);
  EXPECT_EQ(p.width, kMinDimension);
  EXPECT_EQ(p.height, kMaxDimension);
  EXPECT_EQ(p.index.size(), std::size_t(kMinDimension) * kMaxDimension);
}

}  // namespace
}  // namespace qdec
