// What a player hands the video decoder, for the tests: the 40-byte input
// header, an output header with its palette, and bits of exactly the
// output's size (so ASan sees a write past them), plus reading the result
// back as colours.
#pragma once

#include <cstring>
#include <vector>

#include "sim/decoders/video_codec.h"

namespace qdec {

class DecodeTarget {
 public:
  // The stream is width x height; the output may be another size.
  DecodeTarget(int width, int height, int bit_count, int out_width = 0, int out_height = 0)
      : width_(width), height_(height), info_(kBitmapHeaderBytes + 256 * 4) {
    out_.width = out_width ? out_width : width;
    out_.height = out_height ? out_height : height;
    out_.bit_count = uint16_t(bit_count);
    write_bitmap_header(out_, info_.data());
    bits_.assign(dib_stride(out_.width, bit_count) * std::size_t(out_.height), 0xCD);
  }

  // The output header's image size (0: none).
  void set_size_image(uint32_t n) {
    out_.size_image = n;
    write_bitmap_header(out_, info_.data());
  }

  int16_t decode(VideoDecoder& d, const Bytes& frame, int flag = 0) {
    // A copy of exactly the frame's length: reading past it is caught.
    std::vector<uint8_t> copy(frame);
    return decode(d, copy.empty() ? nullptr : copy.data(), copy.size(), flag);
  }

  int16_t decode(VideoDecoder& d, const uint8_t* frame, std::size_t length, int flag = 0,
                 uint32_t compression = kTestFourcc) {
    return call(
        [&d](void* bits, const void* in, void* info, const void* f) {
          return d.decode(bits, in, info, f);
        },
        frame, length, flag, compression);
  }

  // Through any decoder with ordinal 2's arguments (bits, input header,
  // output info, frame).
  template <class Decode>
  int16_t call(Decode&& decode, const uint8_t* frame, std::size_t length, int flag = 0,
               uint32_t compression = kTestFourcc) {
    BitmapHeader in;
    in.width = width_;
    in.height = height_;
    in.bit_count = out_.bit_count;
    in.compression = compression;
    in.size_image = uint32_t(length);
    in.y_pels_per_meter = flag;
    uint8_t header[kBitmapHeaderBytes];
    write_bitmap_header(in, header);
    return int16_t(decode(bits_.data(), header, info_.data(), frame));
  }

  // The colour at (x, y), rows top-down.
  Rgb pixel(int x, int y) const {
    const uint8_t* row = bits_.data() + dib_stride(out_.width, out_.bit_count) *
                                            std::size_t(out_.height - 1 - y);
    switch (out_.bit_count) {
      case 8: {
        const uint8_t* q = info_.data() + kBitmapHeaderBytes + 4 * row[x];
        return {q[2], q[1], q[0]};
      }
      case 16: {
        unsigned v = row[2 * x] | row[2 * x + 1] << 8;
        auto c = [](unsigned five) { return uint8_t(five << 3 | five >> 2); };
        return {c(v >> 10 & 31), c(v >> 5 & 31), c(v & 31)};
      }
      default: return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    }
  }

  RgbSampler sampler() const {
    return [this](int x, int y) { return pixel(x, y); };
  }

  // The colour the output shows for a palette index at this depth.
  Rgb shown(uint8_t index) const {
    Rgb c = palette()[index];
    if (out_.bit_count != 16) return c;
    auto f = [](uint8_t v) { return uint8_t((v >> 3) << 3 | (v >> 3) >> 2); };
    return {f(c.r), f(c.g), f(c.b)};
  }

  const std::vector<uint8_t>& bits() const { return bits_; }
  std::vector<uint8_t>& bits() { return bits_; }
  const BitmapHeader& out() const { return out_; }

 private:
  int width_, height_;
  BitmapHeader out_;
  std::vector<uint8_t> info_, bits_;
};

inline bool operator==(const Rgb& a, const Rgb& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

}  // namespace qdec
