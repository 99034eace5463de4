// The audio decoders over arbitrary bytes. Input: [u8 kind, short-block and
// concealment bits] then the stream. A and D get blocks of exactly their
// size; B and C get packets in buffers of exactly their declared length (or
// only the length word when it is out of range), so ASan sees any read
// beyond what a decoder's own format lets it read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/decoders/audio_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const auto kind = qdec::AudioKind(data[0] & 3);
  const bool short_blocks = data[0] & 4, conceal = data[0] & 8;
  qdec::AudioDecoder d(kind);
  d.init(short_blocks);
  std::vector<uint8_t> out(std::size_t(d.samples_per_call()) * 2);
  std::size_t at = 1;
  while (at < size) {
    std::size_t want;
    if (kind == qdec::AudioKind::kB || kind == qdec::AudioKind::kC) {
      std::size_t len = data[at] | (at + 1 < size ? data[at + 1] << 8 : 0);
      std::size_t lo = kind == qdec::AudioKind::kB ? 6 : 4;
      std::size_t hi = kind == qdec::AudioKind::kB ? qdec::kMaxPacketBytes : 484;
      want = len >= lo && len <= hi ? len : 2;
    } else {
      want = kind == qdec::AudioKind::kD || short_blocks ? qdec::kBlockBytesD : qdec::kBlockBytesA;
    }
    std::vector<uint8_t> unit(want, 0);
    std::copy_n(data + at, std::min(want, size - at), unit.begin());
    int n = d.decode(unit.data(), out.data());
    if (n < 0 || std::size_t(n) > want) __builtin_trap();
    at += std::max<std::size_t>(std::size_t(n), 1);
    if (conceal) d.decode(nullptr, out.data());
  }
  return 0;
}
