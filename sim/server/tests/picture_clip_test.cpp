// The picture clip as a player gets it: datagrams reassembled into frames,
// video frames through the test video decoder, audio frames through the
// audio decoder's calls as a player makes them.
#include <gtest/gtest.h>

#include <map>

#include "sim/decoders/audio_codec.h"
#include "sim/decoders/tests/decode_target.h"
#include "sim/server/clip.h"

namespace vsrv {
namespace {

struct Received {
  uint32_t time = 0;
  Bytes bytes;
};
using Frames = std::map<std::pair<int, uint32_t>, Received>;

Frames reassemble(const std::vector<Datagram>& dgs) {
  Frames frames;
  for (const Datagram& d : dgs)
    for (std::size_t off = 12; off + 12 <= d.bytes.size();) {
      uint16_t len = get_u16(&d.bytes[off]);
      Received& f = frames[{d.bytes[off + 2], get_u32(&d.bytes[off + 8])}];
      f.time = get_u32(&d.bytes[off + 4]);
      f.bytes.insert(f.bytes.end(), d.bytes.begin() + off + 12, d.bytes.begin() + off + len);
      off += (len + 3u) & ~3u;
    }
  return frames;
}

ClipShape picture_shape(char codec = 'A') {
  ClipShape s;
  s.kind = ClipKind::kPicture;
  s.video_frames = 40;
  s.audio_codec = codec;
  return s;
}

TEST(PictureClip, VideoFramesDecodeToTheirFrameNumber) {
  ClipShape shape = picture_shape();
  Frames frames = reassemble(pack_clip(shape, 1400, 1));
  for (int depth : {8, 24}) {
    qdec::DecodeTarget t(176, 144, depth);
    qdec::VideoDecoder d;
    for (uint32_t n = 0; n < shape.video_frames; ++n) {
      const Received& f = frames[{0, n}];
      EXPECT_EQ(f.time, n * 1000 / 25) << n;
      ASSERT_EQ(t.decode(d, f.bytes), n % 12 ? qdec::kInterNormal : qdec::kIntraNormal) << n;
      EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 176, 144), n) << depth << " bits";
    }
  }

  // A lost frame: the deltas after it fail until the next key frame.
  qdec::DecodeTarget t(176, 144, 16);
  qdec::VideoDecoder d;
  for (uint32_t n = 0; n < 14; ++n) {
    if (n == 5) continue;
    int16_t r = t.decode(d, frames[{0, n}].bytes);
    if (n > 5 && n < 12) {
      EXPECT_EQ(r, qdec::kMissingBase) << n;
    } else {
      EXPECT_GE(r, 0) << n;
    }
  }
  EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 176, 144), 13u);
}

TEST(PictureClip, OtherSizesAndKeyIntervals) {
  ClipShape shape = picture_shape();
  shape.width = 64;
  shape.height = 48;
  shape.key_interval = 5;
  shape.video_frames = 11;
  Frames frames = reassemble(pack_clip(shape, 576, 1));
  qdec::DecodeTarget t(64, 48, 8);
  qdec::VideoDecoder d;
  for (uint32_t n = 0; n < shape.video_frames; ++n) {
    ASSERT_EQ(t.decode(d, frames[{0, n}].bytes), n % 5 ? qdec::kInterNormal : qdec::kIntraNormal);
    EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 64, 48), n);
  }
}

// Decodes one audio frame as a player does: A and D block by block, B and C
// packet by packet until the packets consumed leave at most one byte.
std::vector<int16_t> play_frame(qdec::AudioDecoder& d, qdec::AudioKind kind, const Bytes& frame) {
  std::vector<int16_t> pcm;
  std::vector<uint8_t> out(std::size_t(qdec::samples_per_call(kind)) * 2);
  auto keep = [&] {
    for (std::size_t i = 0; i < out.size(); i += 2) pcm.push_back(int16_t(out[i] | out[i + 1] << 8));
  };
  if (kind == qdec::AudioKind::kA || kind == qdec::AudioKind::kD) {
    std::size_t block = kind == qdec::AudioKind::kA ? qdec::kBlockBytesA : qdec::kBlockBytesD;
    for (std::size_t at = 0; at + block <= frame.size(); at += block) {
      d.decode(frame.data() + at, out.data());
      keep();
    }
    return pcm;
  }
  std::size_t at = 0;
  while (at < frame.size()) {
    std::size_t left = frame.size() - at;
    int n = d.decode(frame.data() + at, out.data());
    keep();
    if (n == 0 || std::size_t(n) + 1 >= left) break;
    at += std::size_t(n);
  }
  return pcm;
}

TEST(PictureClip, AudioFramesCarryTheToneAtTheirSamplesTimes) {
  for (char codec : {'A', 'B', 'C', 'D'}) {
    ClipShape shape = picture_shape(codec);
    auto kind = *qdec::audio_kind(codec);
    Frames frames = reassemble(pack_clip(shape, 1400, 1));
    qdec::AudioDecoder d(kind);
    // What a player's concealment makes up for a lost frame: 16 blocks or 2 packets.
    const uint32_t frame_ms = picture_audio_frame_ms(codec);
    EXPECT_EQ(frame_ms, codec == 'A' || codec == 'D' ? 480u : 240u) << codec;
    std::vector<int16_t> pcm;
    uint32_t count = 0;
    for (auto& [key, f] : frames) {
      if (key.first != 1) continue;
      EXPECT_EQ(f.time, key.second * frame_ms) << codec << " frame " << key.second;
      auto s = play_frame(d, kind, f.bytes);
      EXPECT_EQ(s.size(), frame_ms * 8) << codec << ": the frame's samples";
      pcm.insert(pcm.end(), s.begin(), s.end());
      ++count;
    }
    // 40 frames at 25 fps: 1.6 s, covered by whole audio frames.
    const uint32_t frames_needed = (1600 + frame_ms - 1) / frame_ms;
    EXPECT_EQ(count, frames_needed) << codec;
    EXPECT_EQ(audio_length(shape), frames_needed * frame_ms) << codec;
    EXPECT_GT(qdec::tone_amplitude(pcm.data(), pcm.size(), 1000), 6800) << codec;
    EXPECT_LT(qdec::tone_amplitude(pcm.data(), pcm.size(), 1500), 400) << codec;
  }
}

TEST(PictureClip, FramesGoOutInTimeOrder) {
  ClipShape shape = picture_shape();
  uint32_t last = 0;
  for (const ClipFrame& f : clip_frames(shape)) {
    EXPECT_GE(f.time, last);
    last = f.time;
  }
}

// Format blocks are little-endian, unlike the control messages around them.
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return le16(p) | uint32_t(le16(p + 2)) << 16; }

TEST(PictureClip, StreamInfoFormats) {
  const struct {
    char codec;
    int16_t tag, block_code;
  } rows[] = {{'A', -1, 17}, {'B', -2, 2}, {'C', -3, 2}, {'D', -4, 24}};
  for (const auto& r : rows) {
    ClipShape shape = picture_shape(r.codec);
    shape.width = 320;
    shape.height = 240;
    Bytes v = stream_video_format(shape), a = stream_audio_format(shape);
    ASSERT_EQ(v.size(), 40u);
    EXPECT_EQ(le32(&v[4]), 320u);
    EXPECT_EQ(le32(&v[8]), 240u);
    EXPECT_EQ(le16(&v[14]), 8);
    EXPECT_EQ(le32(&v[16]), qdec::kTestFourcc);
    ASSERT_GE(a.size(), 14u);
    EXPECT_EQ(int16_t(le16(&a[0])), r.tag) << r.codec;
    EXPECT_EQ(le32(&a[4]), 8000u) << r.codec;
    EXPECT_EQ(int16_t(le16(&a[12])), r.block_code) << r.codec;
  }
  // The generated clip keeps its formats.
  ClipShape generated;
  EXPECT_EQ(stream_video_format(generated), video_format(176, 144));
  EXPECT_EQ(stream_audio_format(generated), audio_format());
}

}  // namespace
}  // namespace vsrv
