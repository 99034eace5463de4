#include "sim/server/clip.h"

#include <algorithm>

#include "sim/decoders/audio_codec.h"
#include "sim/decoders/video_codec.h"

namespace vsrv {
namespace {

qdec::AudioKind picture_audio_kind(const ClipShape& shape) {
  return qdec::audio_kind(shape.audio_codec).value_or(qdec::AudioKind::kA);
}

uint32_t picture_audio_frames(const ClipShape& shape) {
  if (!shape.audio) return 0;
  uint64_t ms = uint64_t(shape.video_frames) * 1000 / std::max<uint32_t>(shape.fps, 1);
  uint32_t frame_ms = picture_audio_frame_ms(shape.audio_codec);
  return uint32_t((ms + frame_ms - 1) / frame_ms);
}

std::vector<ClipFrame> picture_frames(const ClipShape& shape) {
  std::vector<ClipFrame> out;
  uint32_t fps = std::max<uint32_t>(shape.fps, 1), audio = picture_audio_frames(shape);
  uint32_t n = 0, k = 0;
  while (n < shape.video_frames || k < audio) {
    uint32_t tv = uint32_t(uint64_t(n) * 1000 / fps), ta = k * picture_audio_frame_ms(shape.audio_codec);
    if (n < shape.video_frames && (k >= audio || tv <= ta))
      out.push_back({0, n++, tv});
    else
      out.push_back({1, k++, ta});
  }
  return out;
}

Bytes picture_frame_bytes(const ClipShape& shape, uint8_t stream, uint32_t number) {
  if (stream == 0)
    return qdec::encode_clip_frame(number, int(shape.width), int(shape.height),
                                   shape.key_interval);
  qdec::AudioKind kind = picture_audio_kind(shape);
  const uint64_t samples =
      uint64_t(qdec::kSampleRate) * picture_audio_frame_ms(shape.audio_codec) / 1000;
  return qdec::encode_tone(kind, qdec::Tone{}, number * samples,
                           int(samples / uint64_t(qdec::samples_per_call(kind))));
}

}  // namespace

uint32_t picture_audio_frame_ms(char audio_codec) {
  qdec::AudioKind kind = qdec::audio_kind(audio_codec).value_or(qdec::AudioKind::kA);
  bool blocks = kind == qdec::AudioKind::kA || kind == qdec::AudioKind::kD;
  int calls = blocks ? 16 : 2;
  return uint32_t(calls * qdec::samples_per_call(kind) * 1000 / qdec::kSampleRate);
}

std::vector<ClipFrame> clip_frames(const ClipShape& shape) {
  if (shape.kind == ClipKind::kPicture) return picture_frames(shape);
  std::vector<ClipFrame> out;
  uint32_t fps = std::max<uint32_t>(shape.fps, 1);
  uint32_t audio_no = 0;
  for (uint32_t n = 0; n < shape.video_frames; ++n) {
    uint32_t t = uint32_t(uint64_t(n) * 1000 / fps);
    out.push_back({0, n, t});
    if (shape.audio && shape.audio_every && n % shape.audio_every == 0)
      out.push_back({1, audio_no++, t});
  }
  return out;
}

Bytes frame_bytes(const ClipShape& shape, uint8_t stream, uint32_t number) {
  if (shape.kind == ClipKind::kPicture) return picture_frame_bytes(shape, stream, number);
  std::size_t len;
  uint8_t first;
  if (stream == 0) {
    bool key = number % 12 == 0;
    // Key frames need several datagrams; the others vary from 40 to ~1500.
    len = key ? 3000 + (number * 37) % 2000 : 40 + (number * 7919) % 1460;
    first = key ? 0 : 16;
  } else {
    len = std::max<uint32_t>(shape.audio_block, 1);
    first = uint8_t(number * 3);
  }
  Bytes b(len);
  uint32_t x = (uint32_t(stream) << 24) ^ (number * 2654435761u) ^ 0x9E3779B9u;
  for (std::size_t i = 0; i < len; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = uint8_t(x >> 16);
  }
  b[0] = first;
  return b;
}

uint32_t frame_checksum(const uint8_t* data, std::size_t len) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < len; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

namespace {
void put_le32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put_le16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
}  // namespace

Bytes video_format(uint32_t width, uint32_t height) {
  Bytes b;
  put_le32(b, 40);
  put_le32(b, width);
  put_le32(b, height);
  put_le16(b, 1);   // planes
  put_le16(b, 24);  // bit count
  put_le32(b, 0x56514551);  // compression "QEQV"
  put_le32(b, width * height * 3);
  put_le32(b, 0);
  put_le32(b, 0);
  put_le32(b, 0);
  put_le32(b, 0);
  return b;
}

namespace {
Bytes wave_format(int16_t tag, int16_t block_code) {
  Bytes b;
  put_le16(b, uint16_t(tag));
  put_le16(b, 1);       // channels
  put_le32(b, 8000);    // sample rate
  put_le32(b, 16000);   // byte rate
  put_le16(b, uint16_t(block_code));
  put_le16(b, 16);      // bits per sample
  return b;
}
}  // namespace

Bytes audio_format() { return wave_format(-1, 17); }

Bytes stream_video_format(const ClipShape& shape) {
  if (shape.kind != ClipKind::kPicture) return video_format(shape.width, shape.height);
  Bytes b;
  put_le32(b, 40);
  put_le32(b, shape.width);
  put_le32(b, shape.height);
  put_le16(b, 1);  // planes
  put_le16(b, 8);  // bit count
  put_le32(b, qdec::kTestFourcc);
  put_le32(b, shape.width * shape.height);
  for (int i = 0; i < 4; ++i) put_le32(b, 0);
  return b;
}

Bytes stream_audio_format(const ClipShape& shape) {
  if (shape.kind != ClipKind::kPicture) return audio_format();
  qdec::AudioKind kind = picture_audio_kind(shape);
  return wave_format(qdec::codec_tag(kind), qdec::block_code(kind));
}

uint32_t video_length(const ClipShape& shape, uint32_t server_version) {
  if (server_version < 257) return shape.video_frames;
  return uint32_t(uint64_t(shape.video_frames) * 1000 / std::max<uint32_t>(shape.fps, 1));
}

uint32_t audio_length(const ClipShape& shape) {
  if (shape.kind == ClipKind::kPicture) return picture_audio_frames(shape) * picture_audio_frame_ms(shape.audio_codec);
  return uint32_t(uint64_t(shape.video_frames) * 1000 / std::max<uint32_t>(shape.fps, 1));
}

namespace {

class Packer {
 public:
  Packer(std::size_t max_size, uint32_t generation)
      : max_(std::max<std::size_t>(max_size, 128) & ~std::size_t(3)), generation_(generation) {}

  void add(const ClipFrame& f, const Bytes& bytes) {
    std::size_t whole = entry_size(bytes.size());
    if (whole <= room()) return put(f, 0, bytes.data(), bytes.size());
    if (whole <= max_ - 12) {
      close();
      return put(f, 0, bytes.data(), bytes.size());
    }
    // Fragments: start in this datagram when a useful piece fits.
    if (room() < 12 + 64) close();
    std::size_t off = 0;
    uint8_t index = 1;
    while (off < bytes.size()) {
      if (room() < 12 + 4) close();
      std::size_t piece = std::min(bytes.size() - off, (room() - 12) & ~std::size_t(3));
      bool last = off + piece == bytes.size();
      put(f, uint8_t(index | (last ? 0x80 : 0)), bytes.data() + off, piece);
      off += piece;
      ++index;
    }
  }

  std::vector<Datagram> finish() {
    close();
    return std::move(out_);
  }

 private:
  static std::size_t entry_size(std::size_t len) { return (12 + len + 3) & ~std::size_t(3); }
  std::size_t room() const { return cur_.bytes.empty() ? max_ - 12 : max_ - cur_.bytes.size(); }

  void put(const ClipFrame& f, uint8_t frag, const uint8_t* data, std::size_t len) {
    if (cur_.bytes.empty()) {
      put_u32(cur_.bytes, 0);  // sequence, filled at sending time
      put_u32(cur_.bytes, generation_);
      put_u32(cur_.bytes, 0);
    }
    Bytes& b = cur_.bytes;
    put_u16(b, uint16_t(12 + len));
    b.push_back(f.stream);
    b.push_back(frag);
    put_u32(b, f.time);
    put_u32(b, f.number);
    b.insert(b.end(), data, data + len);
    while (b.size() % 4) b.push_back(0);
    cur_.entries.push_back({f.stream, f.number, frag});
  }

  void close() {
    if (!cur_.bytes.empty()) out_.push_back(std::move(cur_));
    cur_ = Datagram{};
  }

  std::size_t max_;
  uint32_t generation_;
  Datagram cur_;
  std::vector<Datagram> out_;
};

}  // namespace

std::vector<Datagram> pack_clip(const ClipShape& shape, std::size_t max_size,
                                uint32_t generation) {
  Packer p(max_size, generation);
  for (const ClipFrame& f : clip_frames(shape)) p.add(f, frame_bytes(shape, f.stream, f.number));
  return p.finish();
}

std::string entry_name(const Entry& e) {
  std::string s = (e.stream == 0 ? "v" : "a") + std::to_string(e.number);
  if (e.fragment) {
    s += "/" + std::to_string(e.fragment & 0x7F);
    if (e.fragment & 0x80) s += "L";
  }
  return s;
}

}  // namespace vsrv
