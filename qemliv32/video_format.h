// The video side of a stream's format: the bitmap-info block the server
// sends, the frame buffer the decoder draws into (header, 8-bit palette,
// bits), the 40-byte header describing each frame to the decoder, and the
// line plan of the interlaced double display. All layouts little-endian at
// fixed offsets, as the platform's bitmap headers are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qem {

// What the engine reads from the server's video format block.
struct VideoFormat {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
};

// The block reaches its compression code at offset 16.
constexpr std::size_t kVideoFormatMinSize = 20;

// nullopt for a block shorter than kVideoFormatMinSize.
std::optional<VideoFormat> parse_video_format(const uint8_t* block, std::size_t n);

constexpr uint32_t kDefaultVideoWidth = 176;   // when the format gives 0
constexpr uint32_t kDefaultVideoHeight = 144;
// Larger pictures are refused, so no size computed from the server's
// numbers can wrap and the buffer stays within tens of megabytes.
constexpr uint32_t kMaxVideoWidth = 4096;
constexpr uint32_t kMaxVideoHeight = 4096;

constexpr uint32_t kBitmapHeaderSize = 40;
constexpr uint32_t kPaletteEntries = 256;
constexpr uint32_t kImportantColours = 236;
constexpr uint32_t kPaletteSize = kPaletteEntries * 4;

// The decoder's output depth for a screen: 8, 16 or 24 (deeper screens get
// 24, 9-16 bits 16, shallower ones 8, which is also the full-screen depth).
int frame_depth(int screen_bits_per_pixel);

struct FrameLayout {
  uint32_t width = 0;
  uint32_t height = 0;
  int depth = 0;              // 8, 16 or 24
  uint32_t stride = 0;        // bytes per row, rounded up to 4 as the bitmap rows are
  uint32_t bits_offset = 0;   // header, and the palette at 8 bits
  uint32_t bits_size = 0;     // stride x height
  // The header's image-size field: header, palette and bits together.
  uint32_t image_size = 0;
  // What to allocate: image_size bytes past the bits as well, so a reader
  // that trusts the image-size field from the bits on stays inside.
  uint32_t allocation = 0;
  uint32_t palette_entries() const { return depth == 8 ? kPaletteEntries : 0; }
};

// nullopt when depth is not 8, 16 or 24, or the picture is larger than the
// maxima. Zero dimensions take the defaults.
std::optional<FrameLayout> frame_layout(const VideoFormat& format, int depth);

// Writes the output header and, at 8 bits, a black palette into
// out[0, bits_offset).
void write_frame_header(const FrameLayout& layout, uint8_t* out);

// The header describing one frame to the decoder.
std::array<uint8_t, kBitmapHeaderSize> decoder_input_header(const FrameLayout& layout,
                                                            uint32_t compression,
                                                            uint32_t frame_length,
                                                            int render_flag);

struct LineDraw {
  int src_y = 0;  // source row counted from the picture's top, one row high
  int dst_x = 0, dst_y = 0, dst_width = 0;  // one destination row
  // The first entry hands the picture to the drawer; the rest only repeat
  // rows of the picture it already holds.
  bool first = false;
};

// Interlaced double display into the rectangle (left, top, right, bottom):
// half as many picture rows as the rectangle is high, each drawn at the
// full width on every other row from the top, so the rows between stay as
// they were (black). For a rectangle twice the picture's size, source row i
// lands on row top + 2i. The first entry draws source row 0 on its own.
// Rows past kMaxInterlacedRows (far beyond any screen) are left out.
constexpr int kMaxInterlacedRows = 16384;
std::vector<LineDraw> interlaced_plan(int left, int top, int right, int bottom,
                                      uint32_t picture_height);

}  // namespace qem
