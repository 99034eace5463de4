// Fuzzes the audio decode loops with a decoder whose consumed counts come
// from the input, feeding a wave writer whose device plays when the input
// says. Checked: each source the decoder is handed lies inside its frame
// (or is the loop's own zero-filled block), the calls per frame are
// bounded, and no buffer the device holds is written into or changed.
// Input: kind, block code, 16 consumed counts, then frames as u16 length +
// bytes, each preceded by a byte telling the device how many buffers to play.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "qemliv32/audio_decode.h"
#include "qemliv32/wave_buffers.h"
#include "qemliv32/tests/fuzz_check.h"

using namespace qem;

namespace {

struct FuzzDecoder : SoundDecoder {
  SoundDecoderKind kind = SoundDecoderKind::a;
  std::size_t block = 1;
  int counts[16] = {};
  int next = 0;
  const uint8_t* frame = nullptr;
  std::size_t frame_n = 0;
  int calls = 0;

  int decode(const uint8_t* source, uint8_t* destination) override {
    ++calls;
    std::memset(destination, calls & 0xFF, decoder_output_bytes(kind));
    if (!source) return 0;
    bool inside = source >= frame && source < frame + frame_n;
    if (takes_whole_blocks(kind)) {
      // Either a whole block of the frame or the loop's own block.
      if (inside) check(std::size_t(frame + frame_n - source) >= block);
      volatile uint8_t sum = 0;
      for (std::size_t i = 0; i < block; ++i) sum = uint8_t(sum + source[i]);
      return 0;
    }
    check(inside);
    return counts[next++ % 16];
  }
};

struct FuzzDevice : WaveDevice {
  struct Slot {
    uint8_t* data = nullptr;
    std::size_t length = 0;
    bool queued = false;
    std::vector<uint8_t> handed;
  };
  std::vector<Slot> slots;
  std::deque<std::size_t> order;

  bool prepare(std::size_t index, uint8_t* data, std::size_t length) override {
    if (slots.size() <= index) slots.resize(index + 1);
    slots[index] = {data, length, false, {}};
    return true;
  }
  void unprepare(std::size_t) override {}
  bool write(std::size_t index, std::size_t bytes) override {
    Slot& s = slots.at(index);
    check(!s.queued && bytes <= s.length);
    s.queued = true;
    s.handed.assign(s.data, s.data + bytes);
    order.push_back(index);
    return true;
  }
  bool queued(std::size_t index) override { return slots.at(index).queued; }
  void play(int n) {
    for (; n > 0 && !order.empty(); --n) {
      Slot& s = slots[order.front()];
      order.pop_front();
      check(std::memcmp(s.data, s.handed.data(), s.handed.size()) == 0);
      s.queued = false;
    }
  }
};

struct WriterSink : PcmSink {
  WaveWriter* writer = nullptr;
  void pcm(const uint8_t* bytes, std::size_t n) override { writer->write(bytes, n); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 35) return 0;
  FuzzDecoder dec;
  dec.kind = static_cast<SoundDecoderKind>(data[0] & 3);
  int block_code = 1 + ((data[1] | data[2] << 8) & 0x3FF);
  dec.block = std::size_t(block_code);
  for (int i = 0; i < 16; ++i) dec.counts[i] = int16_t(uint16_t(data[3 + 2 * i] | data[4 + 2 * i] << 8));
  data += 35;
  size -= 35;

  FuzzDevice dev;
  WaveWriter writer(dev);
  check(writer.allocate(480 + 2 * (block_code & 0xFF)));
  WriterSink sink;
  sink.writer = &writer;
  AudioDecodeLoop loop(dec.kind, block_code);

  std::size_t at = 0;
  while (at + 3 <= size) {
    dev.play(data[at] & 15);
    std::size_t n = std::size_t(data[at + 1] | data[at + 2] << 8);
    at += 3;
    if (n > size - at) n = size - at;
    // Each frame in an allocation of its own size, so a read past it shows.
    std::vector<uint8_t> frame(data + at, data + at + n);
    at += n;
    dec.frame = frame.empty() ? nullptr : frame.data();
    dec.frame_n = n;
    dec.calls = 0;
    DecodeResult r = loop.decode(dec, dec.frame, n, sink);
    check(r.calls == dec.calls);
    if (n == 0) {
      check(r.calls == (takes_whole_blocks(dec.kind) ? kConcealCallsBlock : kConcealCallsStream));
    } else if (takes_whole_blocks(dec.kind)) {
      check(std::size_t(r.calls) == (n + dec.block - 1) / dec.block);
    } else {
      check(r.calls >= 1 && std::size_t(r.calls) <= n);
    }
  }
  dev.play(1 << 20);
  return 0;
}
