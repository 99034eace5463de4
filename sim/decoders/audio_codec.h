// The four test audio codecs behind audiodecA ... audiodecD: 8000 Hz mono,
// 16-bit output, each call of a decoder producing a fixed number of samples.
//
// A  blocks of 150 bytes -> 240 samples: 5-bit codes c (-16 .. 15, two's
//    complement, packed from bit 0 of byte 0 on), sample = sign(c) * c^2 * 128.
//    The stream's format says block code 17, which a player reads as
//    150-byte blocks at 8000 Hz.
// B  packets -> 960 samples, lossless after a quantiser shift:
//      0 u16 packet length L (6 .. kMaxPacketBytes, header included)
//      2 u8  shift q (0 .. 15): sample = x << q
//      3 u8  Rice parameter k (0 .. 15)
//      4 i16 x0, the first quantised sample
//      6     bits, from bit 0 of each byte: for x1 .. x959 the zigzag of
//            x[i] - x[i-1] as u = z >> k in unary (u ones, a zero) and the
//            k low bits of z; when u would be 16 or more, 16 ones and z in
//            18 bits instead
// C  packets -> 960 samples, half rate with the silent ends left out:
//      0 u16 packet length L (4 .. 484, header included)
//      2 u16 start s: the half-rate position of the first code
//      4     L - 4 codes c (i8, s + L - 4 <= 480), value = sign(c) * c^2 * 2;
//            half-rate positions outside the codes are silent; output
//            sample 2j is value j, sample 2j + 1 interpolated from values
//            j - 2 .. j + 3 with weights 3 -25 150 150 -25 3 (/ 256; the
//            packet's first and last values stand in beyond its ends)
// D  blocks of 24 bytes -> 240 samples, synthesised: four partials of
//    [u16 frequency Hz][u16 amplitude][u16 phase at the block's first sample,
//    in 1/65536 turns]; frequency or amplitude 0 leaves a partial silent.
//
// A null source conceals a lost frame: the last output again (D: its partials
// continued), its level falling smoothly to 70 % every 30 ms from where the
// call before left it, so a run of losses fades out. B and C return the bytes of the packet they decoded (0 for a packet
// whose length word is out of range: nothing more is read), A and D the
// block's bytes; a concealment call returns 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qdec {

using Bytes = std::vector<uint8_t>;

enum class AudioKind { kA, kB, kC, kD };

constexpr int kSampleRate = 8000;
constexpr int kBlockSamples = 240;   // A, D: one call
constexpr int kPacketSamples = 960;  // B, C: one call
constexpr std::size_t kBlockBytesA = 150;
constexpr std::size_t kBlockBytesD = 24;
constexpr std::size_t kMaxPacketBytes = 4096;  // B, C
constexpr int kPartials = 4;                   // D

std::optional<AudioKind> audio_kind(char letter);  // 'A' .. 'D'
char letter(AudioKind kind);
int16_t codec_tag(AudioKind kind);     // -1 .. -4
int16_t block_code(AudioKind kind);    // the format block's block code
int samples_per_call(AudioKind kind);  // 240 or 960

// A steady sine.
struct Tone {
  int frequency = 1000;
  int amplitude = 8000;
};
std::vector<int16_t> tone_samples(const Tone& tone, uint64_t first, std::size_t count);

Bytes encode_block_a(const int16_t* samples);   // kBlockSamples samples
Bytes encode_packet_b(const int16_t* samples);  // kPacketSamples samples
Bytes encode_packet_c(const int16_t* samples);  // kPacketSamples samples
struct Partial {
  uint16_t frequency = 0;
  uint16_t amplitude = 0;
  uint16_t phase = 0;
};
Bytes encode_block_d(const std::array<Partial, kPartials>& partials);

// units blocks (A, D) or packets (B, C) of the tone from sample `first` on.
Bytes encode_tone(AudioKind kind, const Tone& tone, uint64_t first, int units);

class AudioDecoder {
 public:
  explicit AudioDecoder(AudioKind kind);

  // INITdec: back to silence. For A, short_blocks (block code 24) selects
  // D's 24-byte blocks, so a block never runs past what the player hands in.
  void init(bool short_blocks = false);

  // DecSoundFrame: writes samples_per_call() samples (16-bit little-endian)
  // to destination.
  int decode(const uint8_t* source, uint8_t* destination);

  int samples_per_call() const;

 private:
  enum class Mode { kCompanded, kRice, kHalfRate, kPartials };

  int decode_a(const uint8_t* s);
  int decode_b(const uint8_t* s);
  int decode_c(const uint8_t* s);
  int decode_d(const uint8_t* s);
  void synthesise();
  void conceal();
  void output(uint8_t* destination);

  AudioKind kind_;
  Mode mode_;
  std::array<int16_t, kPacketSamples> samples_{};
  double gain_ = 1;
  bool fading_ = false;
  std::array<Partial, kPartials> partials_{};
};

// The amplitude of the frequency's component in samples at 8000 Hz
// (Goertzel): how tests recognise the tone.
double tone_amplitude(const int16_t* samples, std::size_t count, double frequency);

}  // namespace qdec
