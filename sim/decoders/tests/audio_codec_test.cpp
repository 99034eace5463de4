#include "sim/decoders/audio_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace qdec {
namespace {

constexpr AudioKind kKinds[] = {AudioKind::kA, AudioKind::kB, AudioKind::kC, AudioKind::kD};

std::vector<int16_t> samples_of(const uint8_t* bytes, int count) {
  std::vector<int16_t> s(std::size_t(count), 0);
  for (int i = 0; i < count; ++i) s[i] = int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return s;
}

int peak(const std::vector<int16_t>& s) {
  int p = 0;
  for (int16_t v : s) p = std::max(p, std::abs(int(v)));
  return p;
}

// Decodes `stream` call by call as a player does; each call's source is a
// copy of exactly what remains, so reading past the stream is caught.
std::vector<int16_t> decode_all(AudioDecoder& d, AudioKind kind, const Bytes& stream, int calls,
                                std::vector<int>* consumed = nullptr) {
  std::vector<int16_t> pcm;
  std::size_t at = 0;
  std::vector<uint8_t> out(std::size_t(samples_per_call(kind)) * 2);
  for (int c = 0; c < calls; ++c) {
    std::vector<uint8_t> rest(stream.begin() + std::ptrdiff_t(at), stream.end());
    int n = d.decode(rest.data(), out.data());
    if (consumed) consumed->push_back(n);
    at += std::size_t(n);
    auto s = samples_of(out.data(), samples_per_call(kind));
    pcm.insert(pcm.end(), s.begin(), s.end());
  }
  return pcm;
}

// The tone at 1000 Hz carries through every codec, nearly at its level, and
// nothing else of note: the other frequencies a broken codec would show
// (its half and double, the images of half-rate and block edges) stay small.
TEST(AudioCodec, EveryCodecCarriesTheTone) {
  const Tone tone;
  for (AudioKind kind : kKinds) {
    int per = samples_per_call(kind), units = 7680 / per;  // 0.96 s
    Bytes stream = encode_tone(kind, tone, 0, units);
    AudioDecoder d(kind);
    std::vector<int> consumed;
    auto pcm = decode_all(d, kind, stream, units, &consumed);
    std::string name(1, letter(kind));

    int total = 0;
    for (int n : consumed) total += n;
    EXPECT_EQ(std::size_t(total), stream.size()) << name << ": every call consumed one unit";
    if (kind == AudioKind::kA) {
      EXPECT_EQ(consumed[0], int(kBlockBytesA)) << name;
    }
    if (kind == AudioKind::kD) {
      EXPECT_EQ(consumed[0], int(kBlockBytesD)) << name;
    }

    double at_tone = tone_amplitude(pcm.data(), pcm.size(), tone.frequency);
    EXPECT_GT(at_tone, 0.85 * tone.amplitude) << name;
    EXPECT_LT(at_tone, 1.1 * tone.amplitude) << name;
    for (double f : {500.0, 1500.0, 2000.0, 3000.0, 3500.0})
      EXPECT_LT(tone_amplitude(pcm.data(), pcm.size(), f), 0.05 * tone.amplitude)
          << name << " at " << f << " Hz";
  }
}

TEST(AudioCodec, ToneStartsAnywhereInTheStream) {
  // A frame cut from the middle of the stream decodes to the same samples as
  // the whole stream has there.
  const Tone tone{1000, 6000};
  for (AudioKind kind : kKinds) {
    int per = samples_per_call(kind);
    AudioDecoder whole(kind), part(kind);
    auto all = decode_all(whole, kind, encode_tone(kind, tone, 0, 5), 5);
    auto tail = decode_all(part, kind, encode_tone(kind, tone, uint64_t(per) * 3, 2), 2);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), all.begin() + 3 * per)) << letter(kind);
  }
}

TEST(AudioCodec, ConcealmentFadesAndIsNeverLouder) {
  const Tone tone;
  for (AudioKind kind : kKinds) {
    std::string name(1, letter(kind));
    int per = samples_per_call(kind);
    std::vector<uint8_t> out(std::size_t(per) * 2);

    AudioDecoder fresh(kind);
    EXPECT_EQ(fresh.decode(nullptr, out.data()), 0) << name;
    EXPECT_EQ(peak(samples_of(out.data(), per)), 0) << name << ": nothing to continue";

    AudioDecoder d(kind);
    auto played = decode_all(d, kind, encode_tone(kind, tone, 0, 4), 4);
    int level = peak(played);
    int calls = kind == AudioKind::kA || kind == AudioKind::kD ? 16 : 2;
    for (int c = 0; c < calls; ++c) {
      EXPECT_EQ(d.decode(nullptr, out.data()), 0) << name;
      auto s = samples_of(out.data(), per);
      int p = peak(s);
      EXPECT_LE(p, level) << name << " call " << c;
      if (c == 0) {
        EXPECT_GT(p, 0) << name << ": a continuation, not a gap";
        EXPECT_GT(tone_amplitude(s.data(), s.size(), tone.frequency), 0.3 * tone.amplitude)
            << name << ": the tone continues";
      }
      level = p;
    }
    EXPECT_LT(level, peak(played) / 3) << name << ": faded";

    // The next real frame is back at full level.
    auto again = decode_all(d, kind, encode_tone(kind, tone, 4u * per, 1), 1);
    EXPECT_GT(peak(again), peak(played) * 9 / 10) << name;
  }
}

TEST(AudioCodec, PacketsWithABadLengthWordConsumeNothing) {
  for (AudioKind kind : {AudioKind::kB, AudioKind::kC}) {
    for (uint16_t len : {0, 1, 3, 5, 4097, 65535}) {
      if (kind == AudioKind::kC && len >= 4 && len <= 484) continue;
      if (kind == AudioKind::kB && len >= 6 && len <= kMaxPacketBytes) continue;
      AudioDecoder d(kind);
      std::vector<uint8_t> packet = {uint8_t(len), uint8_t(len >> 8)};  // only the word
      std::vector<uint8_t> out(kPacketSamples * 2);
      EXPECT_EQ(d.decode(packet.data(), out.data()), 0) << letter(kind) << " length " << len;
    }
  }
}

// Packets whose body lies, in buffers of exactly their declared length: the
// decoder consumes the packet, reads no further (ASan) and conceals.
TEST(AudioCodec, CorruptPacketsAreConcealed) {
  const Tone tone;
  Bytes b = encode_tone(AudioKind::kB, tone, 0, 1);
  Bytes c = encode_tone(AudioKind::kC, tone, 0, 1);
  auto with = [](Bytes p, std::size_t at, uint8_t v) {
    p[at] = v;
    return p;
  };
  Bytes b_short = b;  // declares fewer bytes than its samples need
  b_short.resize(100);
  b_short[0] = 100;
  b_short[1] = 0;
  Bytes c_past = with(c, 2, 200);  // start + codes beyond 480
  Bytes b_ones(200, 0xFF);         // escapes all the way, then runs out
  b_ones[0] = 200;
  b_ones[1] = 0;
  b_ones[2] = 4;
  b_ones[3] = 3;
  const struct {
    const char* name;
    AudioKind kind;
    Bytes packet;
  } cases[] = {
      {"B cut short", AudioKind::kB, b_short},
      {"B shift 16", AudioKind::kB, with(b, 2, 16)},
      {"B all ones", AudioKind::kB, b_ones},
      {"C past the packet's samples", AudioKind::kC, c_past},
  };
  for (const auto& t : cases) {
    AudioDecoder d(t.kind);
    auto first = decode_all(d, t.kind, encode_tone(t.kind, tone, 0, 1), 1);
    std::vector<uint8_t> out(kPacketSamples * 2);
    std::vector<uint8_t> packet(t.packet);
    EXPECT_EQ(d.decode(packet.data(), out.data()), int(packet.size())) << t.name;
    auto s = samples_of(out.data(), kPacketSamples);
    EXPECT_LE(peak(s), peak(first)) << t.name;
    EXPECT_LT(peak({s.end() - kBlockSamples, s.end()}), peak(first) / 2) << t.name << ": fading";
  }
}

TEST(AudioCodec, AWithShortBlocksReadsTwentyFourBytes) {
  const Tone tone;
  AudioDecoder d(AudioKind::kA);
  d.init(true);
  Bytes blocks = encode_tone(AudioKind::kD, tone, 0, 8);
  std::vector<int> consumed;
  auto pcm = decode_all(d, AudioKind::kA, blocks, 8, &consumed);
  EXPECT_EQ(consumed[0], int(kBlockBytesD));
  EXPECT_GT(tone_amplitude(pcm.data(), pcm.size(), tone.frequency), 0.85 * tone.amplitude);
}

TEST(AudioCodec, FormatWords) {
  const struct {
    char letter;
    int16_t tag, block_code;
    int samples;
  } rows[] = {{'A', -1, 17, 240}, {'B', -2, 2, 960}, {'C', -3, 2, 960}, {'D', -4, 24, 240}};
  for (const auto& r : rows) {
    auto k = audio_kind(r.letter);
    ASSERT_TRUE(k) << r.letter;
    EXPECT_EQ(codec_tag(*k), r.tag) << r.letter;
    EXPECT_EQ(block_code(*k), r.block_code) << r.letter;
    EXPECT_EQ(samples_per_call(*k), r.samples) << r.letter;
  }
  EXPECT_FALSE(audio_kind('E'));
}

}  // namespace
}  // namespace qdec
