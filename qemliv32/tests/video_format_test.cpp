#include "qemliv32/video_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace qem;

namespace {

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

std::vector<uint8_t> format_block(std::size_t size, uint32_t width, uint32_t height,
                                  uint16_t bits, uint32_t compression) {
  std::vector<uint8_t> b(size, 0xEE);
  auto put = [&](std::size_t at, uint32_t v, int n) {
    for (int i = 0; i < n && at + i < size; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  put(4, width, 4);
  put(8, height, 4);
  put(14, bits, 2);
  put(16, compression, 4);
  return b;
}

TEST(VideoFormat, BlockFieldsAtTheirOffsetsAndShortBlocksRefused) {
  std::vector<uint8_t> full = format_block(40, 352, 288, 8, 0x31435651);
  auto f = parse_video_format(full.data(), full.size());
  ASSERT_TRUE(f);
  EXPECT_EQ(f->width, 352u);
  EXPECT_EQ(f->height, 288u);
  EXPECT_EQ(f->bit_count, 8);
  EXPECT_EQ(f->compression, 0x31435651u);

  std::vector<uint8_t> exact = format_block(20, 1, 2, 24, 7);
  ASSERT_TRUE(parse_video_format(exact.data(), exact.size())) << "20 bytes reach the compression code";
  EXPECT_EQ(parse_video_format(exact.data(), exact.size())->compression, 7u);
  for (std::size_t n : {0, 4, 16, 19})
    EXPECT_FALSE(parse_video_format(full.data(), n)) << n << " bytes";
  EXPECT_FALSE(parse_video_format(nullptr, 40));
}

TEST(VideoFormat, DepthFollowsTheScreenUpTo24) {
  struct Case {
    int screen, depth;
  } cases[] = {{1, 8}, {4, 8}, {8, 8}, {15, 16}, {16, 16}, {24, 24}, {32, 24}};
  for (const Case& c : cases) EXPECT_EQ(frame_depth(c.screen), c.depth) << c.screen << " bits";
}

TEST(VideoFormat, FrameLayoutSizes) {
  struct Case {
    const char* name;
    uint32_t width, height;
    int depth;
    uint32_t out_w, out_h, stride, bits_offset, image_size;
  } cases[] = {
      {"no size: 176 x 144", 0, 0, 24, 176, 144, 528, 40, 40 + 528 * 144},
      {"8 bits: palette after the header", 0, 0, 8, 176, 144, 176, 1064, 1064 + 176 * 144},
      {"only the height missing", 320, 0, 16, 320, 144, 640, 40, 40 + 640 * 144},
      // 175 x 3 bytes = 525; the rows are 528 apart.
      {"odd width, rows padded to 4", 175, 10, 24, 175, 10, 528, 40, 40 + 5280},
      {"one pixel at 8 bits", 1, 1, 8, 1, 1, 4, 1064, 1068},
      {"three 16-bit pixels", 3, 2, 16, 3, 2, 8, 40, 56},
      {"largest accepted", 4096, 4096, 24, 4096, 4096, 12288, 40, 40 + 12288u * 4096},
  };
  for (const Case& c : cases) {
    auto l = frame_layout(VideoFormat{c.width, c.height, 8, 0}, c.depth);
    ASSERT_TRUE(l) << c.name;
    EXPECT_EQ(l->width, c.out_w) << c.name;
    EXPECT_EQ(l->height, c.out_h) << c.name;
    EXPECT_EQ(l->stride, c.stride) << c.name;
    EXPECT_EQ(l->bits_offset, c.bits_offset) << c.name;
    EXPECT_EQ(l->image_size, c.image_size) << c.name;
    EXPECT_EQ(l->bits_size, l->stride * l->height) << c.name;
  }
}

TEST(VideoFormat, HostileSizesAndDepthsAreRefused) {
  struct Case {
    const char* name;
    uint32_t width, height;
    int depth;
  } cases[] = {
      {"one past the width", 4097, 144, 24},
      {"one past the height", 176, 4097, 8},
      {"a top-down height (-144)", 176, 0xFFFFFF70u, 24},
      // 65536 x 65536 x 3 wraps 32 bits to 0.
      {"a product that wraps", 65536, 65536, 24},
      {"all ones", 0xFFFFFFFFu, 0xFFFFFFFFu, 16},
      {"32-bit output", 176, 144, 32},
      {"no depth", 176, 144, 0},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(frame_layout(VideoFormat{c.width, c.height, 24, 0}, c.depth)) << c.name;
}

// A decoder writing whole rows of the header's width at the header's depth,
// and a reader trusting the image-size field, both stay inside the buffer.
TEST(VideoFormat, WholeRowsAndTheImageSizeStayInsideTheAllocation) {
  for (int depth : {8, 16, 24}) {
    for (uint32_t width = 1; width <= 37; ++width) {
      auto l = frame_layout(VideoFormat{width, 5, 0, 0}, depth);
      ASSERT_TRUE(l);
      uint32_t row_bytes = (width * uint32_t(depth) + 7) / 8;
      EXPECT_GE(l->stride, row_bytes);
      EXPECT_EQ(l->stride % 4, 0u);
      uint64_t last_row_end = l->bits_offset + uint64_t(l->stride) * (l->height - 1) + row_bytes;
      EXPECT_LE(last_row_end, l->allocation) << width << " x " << depth;
      EXPECT_LE(uint64_t(l->bits_offset) + l->image_size, l->allocation) << width << " x " << depth;
    }
  }
}

TEST(VideoFormat, FrameHeaderFields) {
  auto l8 = frame_layout(VideoFormat{160, 120, 8, 0}, 8);
  std::vector<uint8_t> b8(l8->bits_offset, 0xAB);
  write_frame_header(*l8, b8.data());
  EXPECT_EQ(le32(&b8[0]), 40u);
  EXPECT_EQ(le32(&b8[4]), 160u);
  EXPECT_EQ(le32(&b8[8]), 120u);
  EXPECT_EQ(le16(&b8[12]), 1);
  EXPECT_EQ(le16(&b8[14]), 8);
  EXPECT_EQ(le32(&b8[16]), 0u) << "uncompressed";
  EXPECT_EQ(le32(&b8[20]), 40u + 1024 + 160 * 120) << "image size: the whole buffer";
  EXPECT_EQ(le32(&b8[32]), 256u);
  EXPECT_EQ(le32(&b8[36]), 236u);
  EXPECT_EQ(std::vector<uint8_t>(b8.begin() + 40, b8.end()), std::vector<uint8_t>(1024, 0))
      << "palette cleared for the decoder to fill";

  auto l24 = frame_layout(VideoFormat{160, 120, 8, 0}, 24);
  std::vector<uint8_t> b24(40, 0xAB);
  write_frame_header(*l24, b24.data());
  EXPECT_EQ(le16(&b24[14]), 24);
  EXPECT_EQ(le32(&b24[20]), 40u + 480 * 120);
  EXPECT_EQ(le32(&b24[32]), 0u);
  EXPECT_EQ(le32(&b24[36]), 0u);
}

TEST(VideoFormat, DecoderInputHeaderCarriesLengthAndFlag) {
  auto l = frame_layout(VideoFormat{176, 144, 8, 0}, 16);
  auto h = decoder_input_header(*l, 0x54534551, 1234, 2);
  EXPECT_EQ(le32(&h[0]), 40u);
  EXPECT_EQ(le32(&h[4]), 176u);
  EXPECT_EQ(le32(&h[8]), 144u);
  EXPECT_EQ(le16(&h[12]), 1);
  EXPECT_EQ(le16(&h[14]), 16) << "the output depth";
  EXPECT_EQ(le32(&h[16]), 0x54534551u) << "the stream's compression";
  EXPECT_EQ(le32(&h[20]), 1234u) << "the frame length";
  EXPECT_EQ(le32(&h[24]), 0u);
  EXPECT_EQ(le32(&h[28]), 2u) << "the render flag";
  EXPECT_EQ(le32(&h[32]), 0u);
  EXPECT_EQ(le32(&h[36]), 0u);
}

struct Row {
  int src, y;
};
std::vector<Row> rows_of(const std::vector<LineDraw>& plan) {
  std::vector<Row> r;
  for (std::size_t i = 1; i < plan.size(); ++i) r.push_back({plan[i].src_y, plan[i].dst_y});
  return r;
}
bool operator==(const Row& a, const Row& b) { return a.src == b.src && a.y == b.y; }
std::ostream& operator<<(std::ostream& o, const Row& r) { return o << r.src << "->" << r.y; }

TEST(VideoFormat, InterlacedPlanDrawsEveryOtherRow) {
  struct Case {
    const char* name;
    int left, top, right, bottom;
    uint32_t picture_height;
    std::vector<Row> rows;
  } cases[] = {
      {"zoomed: source row i on row top + 2i", 10, 20, 18, 26, 3, {{0, 20}, {1, 22}, {2, 24}}},
      {"stretched taller: rows repeat", 0, 0, 4, 12, 3,
       {{0, 0}, {0, 2}, {1, 4}, {1, 6}, {2, 8}, {2, 10}}},
      {"stretched shorter: rows skipped", 0, 5, 4, 9, 4, {{0, 5}, {2, 7}}},
      {"odd height: the last row stays black", 0, 0, 4, 7, 3, {{0, 0}, {1, 2}, {2, 4}}},
      {"one row high: nothing", 0, 0, 4, 1, 3, {}},
      {"no width: nothing", 5, 0, 5, 8, 3, {}},
      {"no picture: nothing", 0, 0, 4, 8, 0, {}},
  };
  for (const Case& c : cases) {
    auto plan = interlaced_plan(c.left, c.top, c.right, c.bottom, c.picture_height);
    EXPECT_EQ(rows_of(plan), c.rows) << c.name;
    if (plan.empty()) continue;
    EXPECT_TRUE(plan[0].first) << c.name;
    EXPECT_EQ(plan[0].src_y, 0) << c.name;
    EXPECT_EQ(plan[0].dst_y, c.top) << c.name;
    for (std::size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(plan[i].first, i == 0) << c.name;
      EXPECT_EQ(plan[i].dst_x, c.left) << c.name;
      EXPECT_EQ(plan[i].dst_width, c.right - c.left) << c.name;
    }
  }
}

TEST(VideoFormat, InterlacedPlanIsBoundedForAnyRectangle) {
  auto plan = interlaced_plan(0, -2000000000, 100, 2000000000, 144);
  ASSERT_EQ(plan.size(), std::size_t(kMaxInterlacedRows) + 1);
  for (const LineDraw& d : plan) {
    EXPECT_GE(d.src_y, 0);
    EXPECT_LT(d.src_y, 144);
  }
  EXPECT_TRUE(interlaced_plan(0, 100, 100, -100, 144).empty()) << "upside-down rectangle";
}

}  // namespace
