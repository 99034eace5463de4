// The audio side of a stream's format: the wave-format block the server
// sends, which of the four outside decoders it names, the block code the
// decoder works with, and the PCM format the wave device is opened with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qem {

struct AudioFormat {
  int16_t codec_tag = 0;
  uint32_t sample_rate = 0;
  int16_t block_code = 0;
};

// The block reaches its block code at offset 12.
constexpr std::size_t kAudioFormatMinSize = 14;

// nullopt for a block shorter than kAudioFormatMinSize.
std::optional<AudioFormat> parse_audio_format(const uint8_t* block, std::size_t n);

// The outside decoders. A and D take one block of (block code) bytes per
// call and give 480 bytes; B and C say how much they took and give 1920.
enum class SoundDecoderKind { a, b, c, d };

constexpr std::size_t kBlockOutputBytes = 480;     // A, D
constexpr std::size_t kStreamOutputBytes = 1920;   // B, C
std::size_t decoder_output_bytes(SoundDecoderKind kind);
bool takes_whole_blocks(SoundDecoderKind kind);   // A, D
// 'A' ... 'D': the letter ending the decoder library's name.
char decoder_letter(SoundDecoderKind kind);

struct PcmFormat {
  uint16_t channels = 1;
  uint32_t samples_per_second = 0;
  uint32_t bytes_per_second = 0;
  uint16_t block_align = 2;
  uint16_t bits_per_sample = 16;
};

// The same rate at 8 bits per sample: the device's second choice.
PcmFormat eight_bit(const PcmFormat& pcm);

struct AudioPlan {
  SoundDecoderKind kind = SoundDecoderKind::a;
  int block_code = 0;
  bool init_flag = false;  // A/D: INITdec(flag, flag), on when the block code is 24
  PcmFormat pcm;
};

// Rates above this (after the top 4 bits are cleared) are refused, so the
// wave buffers stay a few megabytes at most.
constexpr uint32_t kMaxSampleRate = 192000;
constexpr int kBlockCode8k = 17;       // forces 8000 Hz and becomes 150
constexpr int kBlockCode8kBytes = 150;
constexpr int kBlockCodeD = 24;

// The decoder and output format for a block; nullopt for a tag other than
// -1..-4, a rate of 0 or above kMaxSampleRate, or (A) a block code below 1,
// which would leave nothing to walk a frame by.
std::optional<AudioPlan> plan_audio_output(const AudioFormat& format);

}  // namespace qem
