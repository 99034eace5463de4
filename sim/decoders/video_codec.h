// The test video codec: key frames carrying a whole picture of 16-colour
// indices, delta frames carrying only the runs that changed against the
// picture before them, and the decoder behind qemdec32's ordinal 2.
//
// Frame layout (little-endian):
//   0  u8   type: 0, 1 or 17 key frame; 16 or 32 delta frame
//   1  u8   sequence: this frame's name, frame number mod 256
//   2  u8   base: the sequence of the picture a delta applies to (0 in keys)
//   3  u8   kFrameMagic
//   4  u16  width   (1 .. kMaxDimension)
//   6  u16  height  (1 .. kMaxDimension)
//   8  runs of [u8 count 1..255][u8 index]: count pixels of the index,
//      rows top-down; bytes after the last pixel are ignored. Key frames:
//      indices 0..15, the runs cover all width x height pixels. Deltas:
//      index 16 (kKeep) keeps the base's pixels; the runs may end before the
//      last pixel (the rest is kept) but never run past it.
//
// The decoder reads nothing beyond the frame length its input header gives
// and writes nothing beyond the output header's width x height (nor beyond
// its image size when that is not 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/decoders/test_picture.h"

namespace qdec {

using Bytes = std::vector<uint8_t>;

// The stream's compression code: "QDV1".
constexpr uint32_t kTestFourcc = 0x31564451;

enum FrameType : uint8_t {
  kIntraNormal = 0,
  kIntraAdd = 1,
  kInterNormal = 16,
  kIntraSlide = 17,
  kInterAdd = 32,
};

constexpr std::size_t kFrameHeaderBytes = 8;
constexpr uint8_t kFrameMagic = 0x51;
constexpr uint8_t kKeep = 16;

// Ordinal 2's results besides a picture (which returns the frame's type).
constexpr int16_t kNoPicture = 128;
constexpr int16_t kBadFrame = -1;     // malformed, or not the stream's size
constexpr int16_t kMissingBase = -2;  // a delta whose base is not the last picture decoded
constexpr int16_t kBadOutput = -3;    // headers the decoder cannot write to

Bytes encode_key(const Picture& picture, uint8_t sequence, uint8_t type = kIntraNormal);
// base and picture have the same size.
Bytes encode_delta(const Picture& base, uint8_t base_sequence, const Picture& picture,
                   uint8_t sequence, uint8_t type = kInterNormal);

// Frame n of the test picture stream: a key frame every key_interval frames
// (from frame 0), else a delta against frame n - 1.
Bytes encode_clip_frame(uint32_t n, int width, int height, uint32_t key_interval);

// The 40-byte bitmap-info header.
constexpr std::size_t kBitmapHeaderBytes = 40;
struct BitmapHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // > 0: rows bottom-up
  uint16_t planes = 1;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t clr_used = 0;
  uint32_t clr_important = 0;
};
BitmapHeader read_bitmap_header(const uint8_t* p);
void write_bitmap_header(const BitmapHeader& h, uint8_t* p);

// Bytes per row of a bitmap, rounded up to 4.
std::size_t dib_stride(int width, int bit_count);

// The decoder of one stream: keeps the last picture decoded as the base of
// the next delta.
class VideoDecoder {
 public:
  // Ordinal 2. in_header: the input (width, height, output depth 8/16/24,
  // kTestFourcc, frame length in size_image, render flag in
  // y_pels_per_meter). out_info: the output header, followed for 8 bits by
  // the palette, whose first 16 entries the decoder fills. Length 0 gives kNoPicture; flag 2 gives
  // kNoPicture and forgets the base. A picture is written to bits (8 bits:
  // indices, 16: 5-5-5, 24: BGR) and the frame's type returned; an error
  // writes nothing.
  int16_t decode(void* bits, const void* in_header, void* out_info, const void* frame);

  // Ordinal 3: forget the base.
  void close();

  bool has_base() const { return valid_; }

 private:
  bool decode_runs(const uint8_t* p, std::size_t n, bool delta);
  void write(uint8_t* bits, const BitmapHeader& out, uint8_t* out_info) const;

  bool valid_ = false;
  uint8_t sequence_ = 0;
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> picture_, scratch_;
};

}  // namespace qdec
