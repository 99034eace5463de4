#include "qemliv32/audio_format.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qem;

namespace {

std::vector<uint8_t> wave_block(std::size_t size, int16_t tag, uint32_t rate, int16_t block) {
  std::vector<uint8_t> b(size, 0xEE);
  auto put = [&](std::size_t at, uint32_t v, int n) {
    for (int i = 0; i < n && at + i < size; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  put(0, uint16_t(tag), 2);
  put(4, rate, 4);
  put(12, uint16_t(block), 2);
  return b;
}

TEST(AudioFormat, BlockFieldsAtTheirOffsetsAndShortBlocksRefused) {
  auto full = wave_block(18, -3, 0x10001F40, -7);
  auto f = parse_audio_format(full.data(), full.size());
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec_tag, -3);
  EXPECT_EQ(f->sample_rate, 0x10001F40u) << "the rate's top bits are kept until the plan";
  EXPECT_EQ(f->block_code, -7);
  EXPECT_TRUE(parse_audio_format(full.data(), 14));
  for (std::size_t n : {0, 2, 8, 13}) EXPECT_FALSE(parse_audio_format(full.data(), n)) << n;
  EXPECT_FALSE(parse_audio_format(nullptr, 18));
}

TEST(AudioFormat, PlanPicksDecoderBlockCodeAndPcm) {
  using K = SoundDecoderKind;
  struct Case {
    const char* name;
    int16_t tag;
    uint32_t rate;
    int16_t block;
    K kind;
    int block_code;
    bool init_flag;
    uint32_t out_rate;
  } cases[] = {
      {"A as given", -1, 8000, 30, K::a, 30, false, 8000},
      {"top 4 rate bits cleared", -1, 0xF0002B11, 30, K::a, 30, false, 11025},
      {"block code 17: 8000 Hz and 150", -1, 22050, 17, K::a, 150, false, 8000},
      {"A with block code 24 initialises with the flag", -1, 8000, 24, K::a, 24, true, 8000},
      {"B", -2, 16000, 0, K::b, 0, false, 16000},
      {"C", -3, 44100, 5, K::c, 5, false, 44100},
      {"D always 24", -4, 8000, 50, K::d, 24, true, 8000},
      {"D after the 17 rule", -4, 22050, 17, K::d, 24, true, 8000},
      {"D needs no block code of its own", -4, 8000, 0, K::d, 24, true, 8000},
      {"the largest rate", -2, kMaxSampleRate, 0, K::b, 0, false, kMaxSampleRate},
  };
  for (const Case& c : cases) {
    auto p = plan_audio_output(AudioFormat{c.tag, c.rate, c.block});
    ASSERT_TRUE(p) << c.name;
    EXPECT_EQ(p->kind, c.kind) << c.name;
    EXPECT_EQ(p->block_code, c.block_code) << c.name;
    EXPECT_EQ(p->init_flag, c.init_flag) << c.name;
    EXPECT_EQ(p->pcm.channels, 1) << c.name;
    EXPECT_EQ(p->pcm.bits_per_sample, 16) << c.name;
    EXPECT_EQ(p->pcm.block_align, 2) << c.name;
    EXPECT_EQ(p->pcm.samples_per_second, c.out_rate) << c.name;
    EXPECT_EQ(p->pcm.bytes_per_second, c.out_rate * 2) << c.name;
  }
}

TEST(AudioFormat, PlanRefusesWhatNoDecoderOrDeviceCanTake) {
  struct Case {
    const char* name;
    int16_t tag;
    uint32_t rate;
    int16_t block;
  } cases[] = {
      {"tag 0", 0, 8000, 30},
      {"tag 1", 1, 8000, 30},
      {"tag -5", -5, 8000, 30},
      {"rate 0", -2, 0, 0},
      {"only the top bits set", -2, 0xF0000000, 0},
      {"rate above the maximum", -3, kMaxSampleRate + 1, 0},
      {"A without a block to walk by", -1, 8000, 0},
      {"A with a negative block code", -1, 8000, -30},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(plan_audio_output(AudioFormat{c.tag, c.rate, c.block})) << c.name;
  EXPECT_TRUE(plan_audio_output(AudioFormat{-1, 0, 17})) << "17 brings its own rate";
}

TEST(AudioFormat, EightBitFallbackKeepsTheRate) {
  PcmFormat p = plan_audio_output(AudioFormat{-2, 11025, 0})->pcm;
  PcmFormat e = eight_bit(p);
  EXPECT_EQ(e.samples_per_second, 11025u);
  EXPECT_EQ(e.bits_per_sample, 8);
  EXPECT_EQ(e.block_align, 1);
  EXPECT_EQ(e.bytes_per_second, 11025u);
}

TEST(AudioFormat, DecoderKinds) {
  using K = SoundDecoderKind;
  struct Case {
    K kind;
    char letter;
    bool blocks;
    std::size_t out;
  } cases[] = {{K::a, 'A', true, 480}, {K::b, 'B', false, 1920},
               {K::c, 'C', false, 1920}, {K::d, 'D', true, 480}};
  for (const Case& c : cases) {
    EXPECT_EQ(decoder_letter(c.kind), c.letter);
    EXPECT_EQ(takes_whole_blocks(c.kind), c.blocks) << c.letter;
    EXPECT_EQ(decoder_output_bytes(c.kind), c.out) << c.letter;
  }
}

}  // namespace
