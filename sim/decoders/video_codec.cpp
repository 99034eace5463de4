#include "sim/decoders/video_codec.h"

#include <algorithm>
#include <cstdlib>

namespace qdec {
namespace {

uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

Bytes frame_header(const Picture& p, uint8_t type, uint8_t sequence, uint8_t base) {
  Bytes b(kFrameHeaderBytes);
  b[0] = type;
  b[1] = sequence;
  b[2] = base;
  b[3] = kFrameMagic;
  put16(&b[4], uint16_t(p.width));
  put16(&b[6], uint16_t(p.height));
  return b;
}

bool is_key(uint8_t type) {
  return type == kIntraNormal || type == kIntraAdd || type == kIntraSlide;
}
bool is_delta(uint8_t type) { return type == kInterNormal || type == kInterAdd; }

bool dimension_ok(int64_t v) { return v >= 1 && v <= kMaxDimension; }

}  // namespace

Bytes encode_key(const Picture& picture, uint8_t sequence, uint8_t type) {
  Bytes b = frame_header(picture, type, sequence, 0);
  const auto& px = picture.index;
  for (std::size_t i = 0; i < px.size();) {
    std::size_t j = i + 1;
    while (j < px.size() && px[j] == px[i] && j - i < 255) ++j;
    b.push_back(uint8_t(j - i));
    b.push_back(px[i]);
    i = j;
  }
  return b;
}

Bytes encode_delta(const Picture& base, uint8_t base_sequence, const Picture& picture,
                   uint8_t sequence, uint8_t type) {
  Bytes b = frame_header(picture, type, sequence, base_sequence);
  const auto& px = picture.index;
  const auto& old = base.index;
  auto value = [&](std::size_t i) { return px[i] == old[i] ? kKeep : px[i]; };
  // The last change ends the runs: the rest is kept.
  std::size_t end = px.size();
  while (end > 0 && px[end - 1] == old[end - 1]) --end;
  for (std::size_t i = 0; i < end;) {
    uint8_t v = value(i);
    std::size_t j = i + 1;
    while (j < end && value(j) == v && j - i < 255) ++j;
    b.push_back(uint8_t(j - i));
    b.push_back(v);
    i = j;
  }
  return b;
}

Bytes encode_clip_frame(uint32_t n, int width, int height, uint32_t key_interval) {
  Picture p = test_picture(n, width, height);
  if (key_interval == 0 || n % key_interval == 0) return encode_key(p, uint8_t(n));
  return encode_delta(test_picture(n - 1, width, height), uint8_t(n - 1), p, uint8_t(n));
}

BitmapHeader read_bitmap_header(const uint8_t* p) {
  BitmapHeader h;
  h.size = get32(p);
  h.width = int32_t(get32(p + 4));
  h.height = int32_t(get32(p + 8));
  h.planes = get16(p + 12);
  h.bit_count = get16(p + 14);
  h.compression = get32(p + 16);
  h.size_image = get32(p + 20);
  h.x_pels_per_meter = int32_t(get32(p + 24));
  h.y_pels_per_meter = int32_t(get32(p + 28));
  h.clr_used = get32(p + 32);
  h.clr_important = get32(p + 36);
  return h;
}

void write_bitmap_header(const BitmapHeader& h, uint8_t* p) {
  put32(p, h.size);
  put32(p + 4, uint32_t(h.width));
  put32(p + 8, uint32_t(h.height));
  put16(p + 12, h.planes);
  put16(p + 14, h.bit_count);
  put32(p + 16, h.compression);
  put32(p + 20, h.size_image);
  put32(p + 24, uint32_t(h.x_pels_per_meter));
  put32(p + 28, uint32_t(h.y_pels_per_meter));
  put32(p + 32, h.clr_used);
  put32(p + 36, h.clr_important);
}

std::size_t dib_stride(int width, int bit_count) {
  return (std::size_t(width) * std::size_t(bit_count) + 31) / 32 * 4;
}

int16_t VideoDecoder::decode(void* bits, const void* in_header, void* out_info,
                             const void* frame) {
  if (!in_header) return kBadOutput;
  BitmapHeader in = read_bitmap_header(static_cast<const uint8_t*>(in_header));
  if (in.y_pels_per_meter == 2) {
    valid_ = false;
    return kNoPicture;
  }
  if (in.size_image == 0) return kNoPicture;

  if (!bits || !out_info || in.size != kBitmapHeaderBytes || in.compression != kTestFourcc)
    return kBadOutput;
  if (in.bit_count != 8 && in.bit_count != 16 && in.bit_count != 24) return kBadOutput;
  BitmapHeader out = read_bitmap_header(static_cast<const uint8_t*>(out_info));
  if (out.size != kBitmapHeaderBytes || out.bit_count != in.bit_count ||
      !dimension_ok(out.width) || !dimension_ok(std::llabs(out.height)))
    return kBadOutput;

  const auto* p = static_cast<const uint8_t*>(frame);
  std::size_t n = in.size_image;
  if (!p || n < kFrameHeaderBytes || p[3] != kFrameMagic) return kBadFrame;
  int w = get16(p + 4), h = get16(p + 6);
  if (!dimension_ok(w) || !dimension_ok(h) || w != in.width || h != std::llabs(in.height))
    return kBadFrame;
  uint8_t type = p[0];
  if (is_delta(type)) {
    if (!valid_ || p[2] != sequence_ || w != width_ || h != height_) return kMissingBase;
    scratch_ = picture_;
  } else if (is_key(type)) {
    scratch_.resize(std::size_t(w) * h);
  } else {
    return kBadFrame;
  }
  if (!decode_runs(p + kFrameHeaderBytes, n - kFrameHeaderBytes, is_delta(type)))
    return kBadFrame;
  picture_.swap(scratch_);
  width_ = w;
  height_ = h;
  sequence_ = p[1];
  valid_ = true;
  write(static_cast<uint8_t*>(bits), out, static_cast<uint8_t*>(out_info));
  return type;
}

void VideoDecoder::close() {
  valid_ = false;
  picture_.clear();
  scratch_.clear();
}

bool VideoDecoder::decode_runs(const uint8_t* p, std::size_t n, bool delta) {
  const std::size_t total = scratch_.size();
  const uint8_t limit = delta ? kKeep : kPaletteSize - 1;
  std::size_t at = 0, i = 0;
  for (; at < total && i + 2 <= n; i += 2) {
    std::size_t count = p[i];
    uint8_t index = p[i + 1];
    if (count == 0 || index > limit || count > total - at) return false;
    if (index != kKeep) std::fill_n(scratch_.begin() + std::ptrdiff_t(at), count, index);
    at += count;
  }
  if (at == total) return true;
  // A delta may stop early; a key frame must cover the picture, and neither ends mid-run.
  return delta && i == n;
}

void VideoDecoder::write(uint8_t* bits, const BitmapHeader& out, uint8_t* out_info) const {
  const int depth = out.bit_count;
  const int out_h = int(std::llabs(out.height));
  const int rows = std::min(height_, out_h), cols = std::min(width_, int(out.width));
  const std::size_t stride = dib_stride(out.width, depth);
  const auto& pal = palette();
  if (depth == 8) {
    uint8_t* q = out_info + kBitmapHeaderBytes;
    for (const Rgb& c : pal) {
      q[0] = c.b;
      q[1] = c.g;
      q[2] = c.r;
      q[3] = 0;
      q += 4;
    }
  }
  for (int y = 0; y < rows; ++y) {
    std::size_t row = out.height > 0 ? std::size_t(out_h - 1 - y) : std::size_t(y);
    if (out.size_image != 0 && (row + 1) * stride > out.size_image) continue;
    uint8_t* d = bits + row * stride;
    const uint8_t* s = picture_.data() + std::size_t(y) * width_;
    for (int x = 0; x < cols; ++x) {
      const Rgb& c = pal[s[x]];
      switch (depth) {
        case 8: d[x] = s[x]; break;
        case 16: put16(d + 2 * x, uint16_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3))); break;
        default:
          d[3 * x] = c.b;
          d[3 * x + 1] = c.g;
          d[3 * x + 2] = c.r;
      }
    }
  }
}

}  // namespace qdec
