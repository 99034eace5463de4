// The wave output's arithmetic and its ring of buffers: how long each buffer
// is, the cyclic writer that fills them and hands full ones to the device,
// volume words, positions, and 16- to 8-bit samples for a device that only
// took 8 bits. The device is a port so the writer runs natively against a
// fake that plays when the test says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "qemliv32/audio_format.h"

namespace qem {

// BufferSize counts in whole seconds here; below one second (0 and negative
// included) it counts as one, above kMaxBufferSeconds as that many, so every
// buffer holds a tenth of a second at least and the ring stays bounded.
constexpr int kMaxBufferSeconds = 60;

// block_align x floor((seconds x byte rate / 10) / block_align), at least
// one block.
uint32_t wave_buffer_length(int buffer_size_ms, const PcmFormat& pcm);

class WaveDevice {
 public:
  virtual ~WaveDevice() = default;
  // Makes buffer `index` (data, length) known to the device.
  virtual bool prepare(std::size_t index, uint8_t* data, std::size_t length) = 0;
  virtual void unprepare(std::size_t index) = 0;
  // Queues the first `bytes` of buffer `index` for playing.
  virtual bool write(std::size_t index, std::size_t bytes) = 0;
  // Whether the device still holds buffer `index` (queued or playing).
  virtual bool queued(std::size_t index) = 0;
};

class WaveWriter {
 public:
  static constexpr std::size_t kMaxBuffers = 10;
  static constexpr std::size_t kMinBuffers = 2;

  explicit WaveWriter(WaveDevice& device) : device_(device) {}
  ~WaveWriter() { release(); }
  WaveWriter(const WaveWriter&) = delete;
  WaveWriter& operator=(const WaveWriter&) = delete;

  // Allocates and prepares up to kMaxBuffers buffers of `length` bytes;
  // with fewer than kMinBuffers nothing is kept and the result is false.
  bool allocate(std::size_t length);
  // Unprepares and frees them (after the device has been reset).
  void release();

  // Copies bytes into the current buffer; each full buffer is written and
  // the next one becomes current. A buffer the device still holds is never
  // written into: while the next one is still queued, the rest is dropped
  // (the device is paused until video starts, so waiting could last for
  // ever). Returns the bytes taken.
  std::size_t write(const uint8_t* bytes, std::size_t n);
  // Writes the current buffer as far as it is filled.
  bool flush();
  // After the device's reset returned every buffer: the ring starts empty.
  void restart();

  std::size_t buffer_count() const { return buffers_.size(); }
  std::size_t buffer_length() const { return length_; }
  uint64_t dropped_bytes() const { return dropped_; }

 private:
  bool current_free();
  void submit();

  struct Buffer {
    std::unique_ptr<uint8_t[]> data;
    bool submitted = false;  // written to the device and not known to be back
  };
  WaveDevice& device_;
  std::vector<Buffer> buffers_;
  std::size_t length_ = 0;
  std::size_t current_ = 0;
  std::size_t filled_ = 0;
  uint64_t dropped_ = 0;
};

// percent (0..100, clamped) x 0xFFFF / 100 on both channels: low word left,
// high word right.
uint32_t volume_word(int percent);
// The louder channel as a percent, rounded to the nearest, so a percent set
// reads back as itself.
int volume_percent(uint32_t word);

// The device position as it reports it, in ms.
enum class PositionUnit { ms, bytes, samples };
uint32_t position_ms(PositionUnit unit, uint32_t value, const PcmFormat& pcm);

// The end-of-stream test: whether the position changed since the last call
// and is not 0.
class PositionWatch {
 public:
  bool advancing(uint32_t position_ms);
  void reset() { last_ = 0; }

 private:
  uint32_t last_ = 0;
};

// Signed 16-bit little-endian samples to unsigned 8-bit ones: out[i] from
// in[2i, 2i+2); n16 even.
void pcm16_to_pcm8(const uint8_t* in, std::size_t n16, uint8_t* out);

}  // namespace qem
