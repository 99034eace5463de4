#include "qemliv32/video_format.h"

#include <cstring>

namespace qem {
namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The bitmap header's fields, by offset.
constexpr int kSize = 0, kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14,
              kCompression = 16, kSizeImage = 20, kYPelsPerMeter = 28, kClrUsed = 32,
              kClrImportant = 36;

void write_header(uint8_t* p, uint32_t width, uint32_t height, int depth) {
  std::memset(p, 0, kBitmapHeaderSize);
  put32(p + kSize, kBitmapHeaderSize);
  put32(p + kWidth, width);
  put32(p + kHeight, height);
  put16(p + kPlanes, 1);
  put16(p + kBitCount, uint32_t(depth));
}

}  // namespace

std::optional<VideoFormat> parse_video_format(const uint8_t* block, std::size_t n) {
  if (!block || n < kVideoFormatMinSize) return std::nullopt;
  VideoFormat f;
  f.width = le32(block + kWidth);
  f.height = le32(block + kHeight);
  f.bit_count = le16(block + kBitCount);
  f.compression = le32(block + kCompression);
  return f;
}

int frame_depth(int screen_bits_per_pixel) {
  if (screen_bits_per_pixel <= 8) return 8;
  if (screen_bits_per_pixel <= 16) return 16;
  return 24;
}

std::optional<FrameLayout> frame_layout(const VideoFormat& format, int depth) {
  if (depth != 8 && depth != 16 && depth != 24) return std::nullopt;
  FrameLayout l;
  l.width = format.width ? format.width : kDefaultVideoWidth;
  l.height = format.height ? format.height : kDefaultVideoHeight;
  // A top-down picture (negative height) reads as a huge one and is refused too.
  if (l.width > kMaxVideoWidth || l.height > kMaxVideoHeight) return std::nullopt;
  l.depth = depth;
  l.stride = (l.width * uint32_t(depth) + 31) / 32 * 4;
  l.bits_offset = kBitmapHeaderSize + (depth == 8 ? kPaletteSize : 0);
  l.bits_size = l.stride * l.height;
  l.image_size = l.bits_offset + l.bits_size;
  l.allocation = l.bits_offset + l.image_size;
  return l;
}

void write_frame_header(const FrameLayout& layout, uint8_t* out) {
  write_header(out, layout.width, layout.height, layout.depth);
  put32(out + kSizeImage, layout.image_size);
  if (layout.depth == 8) {
    put32(out + kClrUsed, kPaletteEntries);
    put32(out + kClrImportant, kImportantColours);
    std::memset(out + kBitmapHeaderSize, 0, kPaletteSize);
  }
}

std::array<uint8_t, kBitmapHeaderSize> decoder_input_header(const FrameLayout& layout,
                                                            uint32_t compression,
                                                            uint32_t frame_length,
                                                            int render_flag) {
  std::array<uint8_t, kBitmapHeaderSize> h;
  write_header(h.data(), layout.width, layout.height, layout.depth);
  put32(h.data() + kCompression, compression);
  put32(h.data() + kSizeImage, frame_length);
  put32(h.data() + kYPelsPerMeter, uint32_t(render_flag));
  return h;
}

std::vector<LineDraw> interlaced_plan(int left, int top, int right, int bottom,
                                      uint32_t picture_height) {
  std::vector<LineDraw> plan;
  int64_t width = int64_t(right) - left;
  int64_t rows = (int64_t(bottom) - top) / 2;
  if (width <= 0 || rows <= 0 || picture_height == 0) return plan;
  int64_t drawn = rows < kMaxInterlacedRows ? rows : kMaxInterlacedRows;
  plan.reserve(std::size_t(drawn) + 1);
  plan.push_back({0, left, top, int(width), true});
  for (int64_t j = 0; j < drawn; ++j) {
    int src = int(j * picture_height / rows);
    plan.push_back({src, left, int(top + 2 * j), int(width), false});
  }
  return plan;
}

}  // namespace qem
