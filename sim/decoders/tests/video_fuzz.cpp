// The video decoder over arbitrary frames, as a hostile server could send
// them. Input: [u8 depth and output shape][u8 output width][u8 output
// height] then frames of [u8 flag][u16 length][bytes]; each frame is copied
// to a buffer of exactly its length and the output bits are exactly the
// output header's size, so ASan sees any read or write beyond them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/decoders/video_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const uint16_t kDepths[4] = {8, 16, 24, 24};
  const uint8_t shape = data[0];
  qdec::VideoDecoder decoder;
  std::size_t at = 3;
  while (at + 3 <= size) {
    int flag = data[at] % 3;
    std::size_t len = std::size_t(data[at + 1] | data[at + 2] << 8);
    at += 3;
    if (len > size - at) len = size - at;
    std::vector<uint8_t> frame(data + at, data + at + len);
    at += len;

    // The stream's size is the frame's own when it is small, so decoding goes deep.
    int w = 16, h = 16;
    if (len >= qdec::kFrameHeaderBytes) {
      int fw = frame[4] | frame[5] << 8, fh = frame[6] | frame[7] << 8;
      if (fw >= 1 && fw <= 256 && fh >= 1 && fh <= 256) w = fw, h = fh;
    }
    qdec::BitmapHeader in, out;
    in.width = w;
    in.height = h;
    in.bit_count = kDepths[shape & 3];
    in.compression = qdec::kTestFourcc;
    in.size_image = uint32_t(len);
    in.y_pels_per_meter = flag;
    out = in;
    out.compression = 0;
    out.width = data[1] ? data[1] : w;
    int out_h = data[2] ? data[2] : h;
    out.height = shape & 4 ? -out_h : out_h;
    std::size_t bytes = qdec::dib_stride(out.width, out.bit_count) * std::size_t(out_h);
    out.size_image = shape & 8 ? uint32_t(bytes / 2) : 0;

    uint8_t in_header[qdec::kBitmapHeaderBytes];
    std::vector<uint8_t> info(qdec::kBitmapHeaderBytes + 16 * 4);
    qdec::write_bitmap_header(in, in_header);
    qdec::write_bitmap_header(out, info.data());
    std::vector<uint8_t> bits(bytes);
    decoder.decode(bits.data(), in_header, info.data(), frame.empty() ? nullptr : frame.data());
  }
  return 0;
}
