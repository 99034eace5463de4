// Walking one audio frame through an outside sound decoder: whole blocks for
// kinds A and D, as much as the decoder says it took for B and C, and the
// concealment calls for a frame that never arrived. The decoder is a port so
// the loops run natively against fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "qemliv32/audio_format.h"

namespace qem {

class SoundDecoder {
 public:
  virtual ~SoundDecoder() = default;
  // One DecSoundFrame call: source null to conceal, destination of
  // decoder_output_bytes(kind). B/C: the source bytes consumed.
  virtual int decode(const uint8_t* source, uint8_t* destination) = 0;
};

// Where decoded PCM goes, one call's output at a time.
class PcmSink {
 public:
  virtual ~PcmSink() = default;
  virtual void pcm(const uint8_t* bytes, std::size_t n) = 0;
};

constexpr int kConcealCallsBlock = 16;   // A, D
constexpr int kConcealCallsStream = 2;   // B, C
constexpr int kConsumedEnd = 0x7FFF;     // B/C: the decoder has finished the frame

struct DecodeResult {
  int calls = 0;
  // B/C: the decoder took nothing, a negative count or more than was left,
  // so the loop stopped where it was. What came before it was delivered.
  bool fault = false;
};

class AudioDecodeLoop {
 public:
  // block_code: A/D's bytes per call (at least 1; see plan_audio_output).
  AudioDecodeLoop(SoundDecoderKind kind, int block_code);

  // Decodes bytes[0, n) (a missing frame when n is 0) into sink. A/D: a
  // trailing part block is copied into a zero-filled block of its own, so
  // the decoder never reads past the frame and the frame's duration is kept.
  DecodeResult decode(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n, PcmSink& sink);

  SoundDecoderKind kind() const { return kind_; }

 private:
  DecodeResult blocks(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n, PcmSink& sink);
  DecodeResult stream(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n, PcmSink& sink);

  SoundDecoderKind kind_;
  std::size_t block_;
  std::vector<uint8_t> tail_;  // the zero-filled last block
  std::vector<uint8_t> out_;
};

}  // namespace qem
