#include "qemliv32/audio_decode.h"

#include <algorithm>
#include <cstring>

namespace qem {

AudioDecodeLoop::AudioDecodeLoop(SoundDecoderKind kind, int block_code)
    : kind_(kind),
      block_(block_code > 0 ? std::size_t(block_code) : 1),
      out_(decoder_output_bytes(kind), 0) {
  if (takes_whole_blocks(kind)) tail_.resize(block_);
}

DecodeResult AudioDecodeLoop::decode(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n,
                                     PcmSink& sink) {
  if (n == 0 || !bytes) {
    DecodeResult r;
    int calls = takes_whole_blocks(kind_) ? kConcealCallsBlock : kConcealCallsStream;
    for (; r.calls < calls; ++r.calls) {
      decoder.decode(nullptr, out_.data());
      sink.pcm(out_.data(), out_.size());
    }
    return r;
  }
  return takes_whole_blocks(kind_) ? blocks(decoder, bytes, n, sink)
                                   : stream(decoder, bytes, n, sink);
}

DecodeResult AudioDecodeLoop::blocks(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n,
                                     PcmSink& sink) {
  DecodeResult r;
  std::size_t at = 0;
  for (; n - at >= block_; at += block_, ++r.calls) {
    decoder.decode(bytes + at, out_.data());
    sink.pcm(out_.data(), out_.size());
  }
  if (at < n) {
    std::fill(tail_.begin(), tail_.end(), 0);
    std::memcpy(tail_.data(), bytes + at, n - at);
    decoder.decode(tail_.data(), out_.data());
    sink.pcm(out_.data(), out_.size());
    ++r.calls;
  }
  return r;
}

DecodeResult AudioDecodeLoop::stream(SoundDecoder& decoder, const uint8_t* bytes, std::size_t n,
                                     PcmSink& sink) {
  DecodeResult r;
  std::size_t at = 0;
  for (;;) {
    // Each call that goes on takes at least one byte, so at most n calls.
    const std::size_t left = n - at;
    const int used = decoder.decode(bytes + at, out_.data());
    ++r.calls;
    const bool finished =
        used == kConsumedEnd ||
        (used >= 0 && std::size_t(used) + 1 >= left && std::size_t(used) <= left);
    if (!finished && (used <= 0 || std::size_t(used) > left)) {
      r.fault = true;
      return r;
    }
    sink.pcm(out_.data(), out_.size());
    if (finished) return r;
    at += std::size_t(used);
  }
}

}  // namespace qem
