#include "sim/decoders/video_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/decoders/tests/decode_target.h"

namespace qdec {
namespace {

// Every pixel of the output shows the picture's colour at that depth.
::testing::AssertionResult shows(const DecodeTarget& t, const Picture& p) {
  int w = std::min(p.width, t.out().width), h = std::min(p.height, t.out().height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (!(t.pixel(x, y) == t.shown(p.at(x, y))))
        return ::testing::AssertionFailure() << "pixel " << x << "," << y;
  return ::testing::AssertionSuccess();
}

TEST(VideoCodec, ClipRoundTripsAtEveryDepth) {
  const struct {
    int w, h;
  } sizes[] = {{176, 144}, {37, 21}};
  for (int depth : {8, 16, 24})
    for (auto s : sizes) {
      std::string where = std::to_string(depth) + " bits " + std::to_string(s.w) + "x" +
                          std::to_string(s.h);
      DecodeTarget t(s.w, s.h, depth);
      VideoDecoder d;
      for (uint32_t n = 0; n < 30; ++n) {
        Bytes f = encode_clip_frame(n, s.w, s.h, 12);
        bool key = n % 12 == 0;
        ASSERT_EQ(f[0], key ? kIntraNormal : kInterNormal) << where << " frame " << n;
        ASSERT_EQ(t.decode(d, f), key ? kIntraNormal : kInterNormal) << where << " frame " << n;
        ASSERT_TRUE(shows(t, test_picture(n, s.w, s.h))) << where << " frame " << n;
        ASSERT_EQ(read_frame_number(t.sampler(), 0, 0, s.w, s.h), n) << where;
      }
    }
}

TEST(VideoCodec, OtherKeyAndDeltaTypes) {
  DecodeTarget t(64, 48, 24);
  VideoDecoder d;
  Picture p0 = test_picture(0, 64, 48), p1 = test_picture(1, 64, 48), p2 = test_picture(2, 64, 48);
  EXPECT_EQ(t.decode(d, encode_key(p0, 7, kIntraSlide)), kIntraSlide);
  EXPECT_EQ(t.decode(d, encode_delta(p0, 7, p1, 8, kInterAdd)), kInterAdd);
  EXPECT_TRUE(shows(t, p1));
  EXPECT_EQ(t.decode(d, encode_key(p2, 9, kIntraAdd)), kIntraAdd);
  EXPECT_TRUE(shows(t, p2));
  Bytes unknown = encode_key(p0, 10);
  unknown[0] = 2;
  EXPECT_EQ(t.decode(d, unknown), kBadFrame);
}

// A delta decodes only onto the picture it names; otherwise it is an error
// and the output keeps what it showed.
TEST(VideoCodec, DeltaNeedsItsBase) {
  const int w = 48, h = 32;
  auto frame = [&](uint32_t n) { return encode_clip_frame(n, w, h, 12); };
  const struct {
    const char* name;
    std::vector<int> before;  // frame numbers decoded first; -1 flag 2, -2 close, -3 placeholder
    uint32_t delta;
    bool decodes;
  } cases[] = {
      {"straight chain", {0, 1, 2}, 3, true},
      {"placeholder between", {0, 1, -3}, 2, true},
      {"base lost", {0, 1}, 3, false},
      {"no key yet", {}, 1, false},
      {"after close", {0, 1, -2}, 2, false},
      {"after flag 2", {0, 1, -1}, 2, false},
      {"key after a broken chain", {0, 2, 12}, 13, true},
  };
  for (const auto& c : cases) {
    DecodeTarget t(w, h, 8);
    VideoDecoder d;
    for (int n : c.before) {
      if (n == -1) {
        EXPECT_EQ(t.decode(d, frame(5), 2), kNoPicture) << c.name;
      } else if (n == -2) {
        d.close();
      } else if (n == -3) {
        EXPECT_EQ(t.decode(d, Bytes{}), kNoPicture) << c.name;
      } else {
        t.decode(d, frame(uint32_t(n)));
      }
    }
    std::vector<uint8_t> before = t.bits();
    int16_t r = t.decode(d, frame(c.delta));
    if (c.decodes) {
      EXPECT_EQ(r, kInterNormal) << c.name;
      EXPECT_TRUE(shows(t, test_picture(c.delta, w, h))) << c.name;
    } else {
      EXPECT_EQ(r, kMissingBase) << c.name;
      EXPECT_EQ(t.bits(), before) << c.name << ": nothing written";
    }
  }
}

TEST(VideoCodec, PlaceholdersAndFlagTwoGiveNoPicture) {
  DecodeTarget t(32, 16, 16);
  VideoDecoder d;
  std::vector<uint8_t> untouched = t.bits();
  EXPECT_EQ(t.decode(d, Bytes{}), kNoPicture) << "length 0";
  EXPECT_EQ(t.decode(d, encode_clip_frame(0, 32, 16, 12), 2), kNoPicture) << "flag 2 on a key";
  EXPECT_EQ(t.bits(), untouched);
  EXPECT_FALSE(d.has_base());
  // Flag 1 (decode, do not draw) still decodes and keeps the base.
  EXPECT_EQ(t.decode(d, encode_clip_frame(0, 32, 16, 12), 1), kIntraNormal);
  EXPECT_EQ(t.decode(d, encode_clip_frame(1, 32, 16, 12), 1), kInterNormal);
  EXPECT_TRUE(shows(t, test_picture(1, 32, 16)));
}

// The output header decides how much is written: a smaller output gets the
// picture's top-left corner, an image size below the rows stops the rows.
TEST(VideoCodec, WritesStayInsideTheOutput) {
  for (int depth : {8, 16, 24}) {
    DecodeTarget t(176, 144, depth, 50, 30);  // bits sized exactly 50 x 30
    VideoDecoder d;
    EXPECT_EQ(t.decode(d, encode_clip_frame(0, 176, 144, 12)), kIntraNormal) << depth;
    EXPECT_TRUE(shows(t, test_picture(0, 176, 144))) << depth;

    DecodeTarget s(40, 20, depth);
    std::size_t stride = dib_stride(40, depth);
    s.set_size_image(uint32_t(stride * 5 + stride / 2));  // 5 whole rows
    VideoDecoder e;
    EXPECT_EQ(s.decode(e, encode_clip_frame(0, 40, 20, 12)), kIntraNormal) << depth;
    for (std::size_t i = 0; i < s.bits().size(); ++i) {
      // Bottom-up: the first five rows in memory are the picture's last five.
      if (i < stride * 5) continue;
      ASSERT_EQ(s.bits()[i], 0xCD) << depth << " bits: byte " << i << " written";
    }
    EXPECT_EQ(s.pixel(3, 19), s.shown(test_picture(0, 40, 20).at(3, 19))) << depth;
  }
}

TEST(VideoCodec, BadInputIsRefusedWithoutWriting) {
  const int w = 32, h = 16;
  Bytes key = encode_clip_frame(0, w, h, 12), delta = encode_clip_frame(1, w, h, 12);
  auto with = [](Bytes b, std::size_t at, uint8_t v) {
    b[at] = v;
    return b;
  };
  Bytes delta_past_end = with(delta, delta.size() - 2, uint8_t(delta[delta.size() - 2] + 1));
  Bytes delta_odd(delta.begin(), delta.end() - 2);  // ends early, then half a run
  delta_odd.push_back(1);
  const struct {
    const char* name;
    Bytes frame;
    int16_t result;
    uint32_t compression = kTestFourcc;
    int depth = 24;
  } cases[] = {
      {"too short for the header", Bytes(key.begin(), key.begin() + 7), kBadFrame},
      {"wrong magic", with(key, 3, 0), kBadFrame},
      {"width not the stream's", with(key, 4, 33), kBadFrame},
      {"height 0", with(with(key, 6, 0), 7, 0), kBadFrame},
      {"runs cut short", Bytes(key.begin(), key.end() - 2), kBadFrame},
      {"run of 0", with(key, 8, 0), kBadFrame},
      {"index beyond the palette", with(key, 9, 16), kBadFrame},
      // The first run one longer: the last one runs past the picture.
      {"runs past the picture", with(key, 8, uint8_t(key[8] + 1)), kBadFrame},
      {"delta without a base", delta, kMissingBase},
      {"unknown type", with(key, 0, 5), kBadFrame},
      {"other compression", key, kBadOutput, 0x56514551},
      {"depth 32", key, kBadOutput, kTestFourcc, 32},
      {"depth 4", key, kBadOutput, kTestFourcc, 4},
  };
  for (const auto& c : cases) {
    DecodeTarget t(w, h, c.depth);
    VideoDecoder d;
    std::vector<uint8_t> untouched = t.bits();
    std::vector<uint8_t> copy(c.frame);
    EXPECT_EQ(t.decode(d, copy.data(), copy.size(), 0, c.compression), c.result) << c.name;
    EXPECT_EQ(t.bits(), untouched) << c.name;
  }

  // Against a decoded base: a broken delta leaves the picture and the base alone.
  for (const Bytes& bad :
       {delta_past_end, delta_odd, with(delta, 9, kKeep + 1), with(delta, 8, 0)}) {
    DecodeTarget t(w, h, 8);
    VideoDecoder d;
    ASSERT_EQ(t.decode(d, key), kIntraNormal);
    std::vector<uint8_t> shown = t.bits();
    EXPECT_EQ(t.decode(d, bad), kBadFrame);
    EXPECT_EQ(t.bits(), shown);
    EXPECT_EQ(t.decode(d, delta), kInterNormal) << "base kept";
  }
}

// Every prefix of a key and a delta frame, in buffers of exactly that
// length: refused, never read past (ASan).
TEST(VideoCodec, TruncatedFramesAreRefused) {
  const int w = 40, h = 24;
  Bytes key = encode_clip_frame(12, w, h, 12), delta = encode_clip_frame(13, w, h, 12);
  for (std::size_t n = 1; n < key.size(); ++n) {
    DecodeTarget t(w, h, 24);
    VideoDecoder d;
    EXPECT_EQ(t.decode(d, Bytes(key.begin(), key.begin() + std::ptrdiff_t(n))), kBadFrame)
        << "key cut to " << n;
  }
  DecodeTarget t(w, h, 24);
  VideoDecoder d;
  for (std::size_t n = 1; n < delta.size(); ++n) {
    ASSERT_EQ(t.decode(d, key), kIntraNormal);
    int16_t r = t.decode(d, Bytes(delta.begin(), delta.begin() + std::ptrdiff_t(n)));
    // A cut between runs is a shorter, valid delta.
    if (n >= kFrameHeaderBytes && (n - kFrameHeaderBytes) % 2 == 0)
      EXPECT_EQ(r, kInterNormal) << "delta cut to " << n;
    else
      EXPECT_EQ(r, kBadFrame) << "delta cut to " << n;
  }
}

TEST(VideoCodec, DeltaCarriesOnlyTheChange) {
  Picture a = test_picture(0, 176, 144), b = a;
  EXPECT_EQ(encode_delta(a, 1, b, 2).size(), kFrameHeaderBytes) << "nothing changed";
  b.index[1000] = uint8_t((b.index[1000] + 1) % kPaletteSize);
  Bytes delta = encode_delta(a, 1, b, 2);
  // 1000 kept pixels in four runs, then the changed one; the rest is kept.
  EXPECT_EQ(delta.size(), kFrameHeaderBytes + 2 * 5);
  DecodeTarget t(176, 144, 8);
  VideoDecoder d;
  ASSERT_EQ(t.decode(d, encode_key(a, 1)), kIntraNormal);
  EXPECT_EQ(t.decode(d, delta), kInterNormal);
  EXPECT_TRUE(shows(t, b));
}

}  // namespace
}  // namespace qdec
