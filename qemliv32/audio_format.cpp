#include "qemliv32/audio_format.h"

namespace qem {
namespace {

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int16_t le16s(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

constexpr uint32_t kRateMask = 0x0FFFFFFF;  // the top 4 bits are not part of the rate

}  // namespace

std::optional<AudioFormat> parse_audio_format(const uint8_t* block, std::size_t n) {
  if (!block || n < kAudioFormatMinSize) return std::nullopt;
  AudioFormat f;
  f.codec_tag = le16s(block);
  f.sample_rate = le32(block + 4);
  f.block_code = le16s(block + 12);
  return f;
}

std::size_t decoder_output_bytes(SoundDecoderKind kind) {
  return takes_whole_blocks(kind) ? kBlockOutputBytes : kStreamOutputBytes;
}

bool takes_whole_blocks(SoundDecoderKind kind) {
  return kind == SoundDecoderKind::a || kind == SoundDecoderKind::d;
}

char decoder_letter(SoundDecoderKind kind) {
  return char('A' + static_cast<int>(kind));
}

PcmFormat eight_bit(const PcmFormat& pcm) {
  PcmFormat p = pcm;
  p.bits_per_sample = 8;
  p.block_align = p.channels;
  p.bytes_per_second = p.samples_per_second * p.channels;
  return p;
}

std::optional<AudioPlan> plan_audio_output(const AudioFormat& format) {
  AudioPlan plan;
  uint32_t rate = format.sample_rate & kRateMask;
  plan.block_code = format.block_code;
  if (plan.block_code == kBlockCode8k) {
    rate = 8000;
    plan.block_code = kBlockCode8kBytes;
  }
  switch (format.codec_tag) {
    case -1: plan.kind = SoundDecoderKind::a; break;
    case -2: plan.kind = SoundDecoderKind::b; break;
    case -3: plan.kind = SoundDecoderKind::c; break;
    case -4:
      plan.kind = SoundDecoderKind::d;
      plan.block_code = kBlockCodeD;
      break;
    default: return std::nullopt;
  }
  if (rate == 0 || rate > kMaxSampleRate) return std::nullopt;
  if (plan.kind == SoundDecoderKind::a && plan.block_code < 1) return std::nullopt;
  plan.init_flag = plan.block_code == kBlockCodeD;
  plan.pcm.samples_per_second = rate;
  plan.pcm.bytes_per_second = rate * 2;
  return plan;
}

}  // namespace qem
