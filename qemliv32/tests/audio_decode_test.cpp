#include "qemliv32/audio_decode.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <vector>

using namespace qem;

namespace {

// Reads what a real decoder would read from each source (a whole block for
// A/D), so a read past the frame shows under ASan, and marks each output
// with the call's number. B/C calls return the scripted counts in turn.
class FakeDecoder : public SoundDecoder {
 public:
  FakeDecoder(SoundDecoderKind kind, std::size_t block) : kind_(kind), block_(block) {}
  std::vector<int> consumed;

  struct Call {
    const uint8_t* source;
    std::vector<uint8_t> read;
  };
  std::vector<Call> calls;

  int decode(const uint8_t* source, uint8_t* destination) override {
    Call c{source, {}};
    if (source && takes_whole_blocks(kind_)) c.read.assign(source, source + block_);
    calls.push_back(c);
    std::size_t out = decoder_output_bytes(kind_);
    for (std::size_t i = 0; i < out; ++i) destination[i] = uint8_t(calls.size());
    if (takes_whole_blocks(kind_)) return 0;
    std::size_t k = calls.size() - 1;
    return k < consumed.size() ? consumed[k] : 1;
  }

 private:
  SoundDecoderKind kind_;
  std::size_t block_;
};

struct Collect : PcmSink {
  std::vector<uint8_t> bytes;
  void pcm(const uint8_t* p, std::size_t n) override { bytes.insert(bytes.end(), p, p + n); }
  // The call numbers the outputs came from, one per output.
  std::vector<int> marks(std::size_t per_call) const {
    std::vector<int> m;
    for (std::size_t i = 0; i < bytes.size(); i += per_call) m.push_back(bytes[i]);
    return m;
  }
};

// The frame in an allocation of its own exact size.
std::unique_ptr<uint8_t[]> frame_bytes(std::size_t n) {
  std::unique_ptr<uint8_t[]> p(new uint8_t[n]);
  for (std::size_t i = 0; i < n; ++i) p[i] = uint8_t(i + 1);
  return p;
}

TEST(AudioDecode, WholeBlocksOneCallEach) {
  for (SoundDecoderKind kind : {SoundDecoderKind::a, SoundDecoderKind::d}) {
    auto frame = frame_bytes(72);
    FakeDecoder dec(kind, 24);
    Collect out;
    AudioDecodeLoop loop(kind, 24);
    DecodeResult r = loop.decode(dec, frame.get(), 72, out);
    EXPECT_EQ(r.calls, 3);
    EXPECT_FALSE(r.fault);
    ASSERT_EQ(dec.calls.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dec.calls[i].source, frame.get() + 24 * i);
    EXPECT_EQ(out.marks(480), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(out.bytes.size(), 3 * 480u);
  }
}

// The last 10 bytes of a 70-byte frame of 30-byte blocks: decoded from a
// zero-filled copy, never from past the frame's end.
TEST(AudioDecode, PartBlockIsDecodedFromAZeroFilledCopy) {
  auto frame = frame_bytes(70);
  FakeDecoder dec(SoundDecoderKind::a, 30);
  Collect out;
  AudioDecodeLoop loop(SoundDecoderKind::a, 30);
  DecodeResult r = loop.decode(dec, frame.get(), 70, out);
  EXPECT_EQ(r.calls, 3);
  ASSERT_EQ(dec.calls.size(), 3u);
  const uint8_t* tail = dec.calls[2].source;
  EXPECT_TRUE(tail < frame.get() || tail >= frame.get() + 70) << "a copy, not the frame";
  std::vector<uint8_t> expected(30, 0);
  for (int i = 0; i < 10; ++i) expected[i] = uint8_t(61 + i);
  EXPECT_EQ(dec.calls[2].read, expected);
  EXPECT_EQ(out.bytes.size(), 3 * 480u) << "the part block still gives its output";

  // A frame shorter than one block, and a second frame after a tail.
  auto small = frame_bytes(5);
  r = loop.decode(dec, small.get(), 5, out);
  EXPECT_EQ(r.calls, 1);
  ASSERT_EQ(dec.calls.size(), 4u);
  std::vector<uint8_t> small_expected(30, 0);
  for (int i = 0; i < 5; ++i) small_expected[i] = uint8_t(i + 1);
  EXPECT_EQ(dec.calls[3].read, small_expected) << "nothing of the earlier tail is left";
}

TEST(AudioDecode, MissingFrameIsConcealed) {
  struct Case {
    SoundDecoderKind kind;
    int calls;
    std::size_t bytes;
  } cases[] = {{SoundDecoderKind::a, 16, 16 * 480}, {SoundDecoderKind::d, 16, 16 * 480},
               {SoundDecoderKind::b, 2, 2 * 1920}, {SoundDecoderKind::c, 2, 2 * 1920}};
  for (const Case& c : cases) {
    FakeDecoder dec(c.kind, 24);
    Collect out;
    AudioDecodeLoop loop(c.kind, 24);
    DecodeResult r = loop.decode(dec, nullptr, 0, out);
    EXPECT_EQ(r.calls, c.calls) << decoder_letter(c.kind);
    EXPECT_FALSE(r.fault);
    for (const auto& call : dec.calls) EXPECT_EQ(call.source, nullptr) << decoder_letter(c.kind);
    EXPECT_EQ(out.bytes.size(), c.bytes) << decoder_letter(c.kind);
  }
}

TEST(AudioDecode, StreamDecoderCallsUntilTheFrameIsUsed) {
  struct Case {
    const char* name;
    std::size_t n;
    std::vector<int> consumed;
    std::vector<std::size_t> offsets;  // of each call's source
    std::vector<int> delivered;        // outputs passed on, by call number
    bool fault;
  } cases[] = {
      {"ends at bytes left - 1", 100, {40, 40, 19}, {0, 40, 80}, {1, 2, 3}, false},
      {"ends at exactly the bytes left", 100, {60, 40}, {0, 60}, {1, 2}, false},
      {"the decoder's end mark", 100, {30, 0x7FFF}, {0, 30}, {1, 2}, false},
      {"one byte: any count ends it", 1, {0}, {0}, {1}, false},
      // A count of 0 would leave the loop where it was for ever.
      {"nothing consumed", 100, {0}, {0}, {}, true},
      {"nothing consumed later", 100, {50, 0}, {0, 50}, {1}, true},
      {"more than was left", 100, {50, 51}, {0, 50}, {1}, true},
      {"a negative count", 100, {-3}, {0}, {}, true},
  };
  for (SoundDecoderKind kind : {SoundDecoderKind::b, SoundDecoderKind::c}) {
    for (const Case& c : cases) {
      auto frame = frame_bytes(c.n);
      FakeDecoder dec(kind, 0);
      dec.consumed = c.consumed;
      Collect out;
      AudioDecodeLoop loop(kind, 0);
      DecodeResult r = loop.decode(dec, frame.get(), c.n, out);
      std::vector<std::size_t> offsets;
      for (const auto& call : dec.calls) offsets.push_back(std::size_t(call.source - frame.get()));
      EXPECT_EQ(offsets, c.offsets) << c.name;
      EXPECT_EQ(r.calls, int(c.offsets.size())) << c.name;
      EXPECT_EQ(out.marks(1920), c.delivered) << c.name;
      EXPECT_EQ(r.fault, c.fault) << c.name;
    }
  }
}

TEST(AudioDecode, ByteAtATimeDecoderIsBoundedByTheFrame) {
  auto frame = frame_bytes(500);
  FakeDecoder dec(SoundDecoderKind::b, 0);  // consumes 1 byte every call
  Collect out;
  AudioDecodeLoop loop(SoundDecoderKind::b, 0);
  DecodeResult r = loop.decode(dec, frame.get(), 500, out);
  EXPECT_EQ(r.calls, 499) << "the last call leaves 2 bytes and takes 1: at least left - 1";
  EXPECT_FALSE(r.fault);
}

}  // namespace
