#include "qemliv32/wave_buffers.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qem {

uint32_t wave_buffer_length(int buffer_size_ms, const PcmFormat& pcm) {
  const uint64_t block = pcm.block_align ? pcm.block_align : 1;
  int seconds = buffer_size_ms / 1000;
  seconds = std::clamp(seconds, 1, kMaxBufferSeconds);
  uint64_t bytes = uint64_t(seconds) * pcm.bytes_per_second / 10;
  uint64_t blocks = std::max<uint64_t>(bytes / block, 1);
  return uint32_t(blocks * block);
}

bool WaveWriter::allocate(std::size_t length) {
  release();
  if (length == 0) return false;
  for (std::size_t i = 0; i < kMaxBuffers; ++i) {
    Buffer b;
    b.data.reset(new (std::nothrow) uint8_t[length]);
    if (!b.data || !device_.prepare(i, b.data.get(), length)) break;
    buffers_.push_back(std::move(b));
  }
  length_ = length;
  if (buffers_.size() < kMinBuffers) {
    release();
    return false;
  }
  restart();
  return true;
}

void WaveWriter::release() {
  for (std::size_t i = 0; i < buffers_.size(); ++i) device_.unprepare(i);
  buffers_.clear();
  length_ = 0;
  current_ = filled_ = 0;
}

void WaveWriter::restart() {
  for (Buffer& b : buffers_) b.submitted = false;
  current_ = filled_ = 0;
}

bool WaveWriter::current_free() {
  if (buffers_.empty()) return false;
  Buffer& b = buffers_[current_];
  if (b.submitted && device_.queued(current_)) return false;
  b.submitted = false;
  return true;
}

void WaveWriter::submit() {
  Buffer& b = buffers_[current_];
  if (device_.write(current_, filled_)) {
    b.submitted = true;
  } else {
    dropped_ += filled_;
  }
  current_ = (current_ + 1) % buffers_.size();
  filled_ = 0;
}

std::size_t WaveWriter::write(const uint8_t* bytes, std::size_t n) {
  std::size_t taken = 0;
  while (taken < n) {
    if (filled_ == 0 && !current_free()) break;
    std::size_t k = std::min(n - taken, length_ - filled_);
    std::memcpy(buffers_[current_].data.get() + filled_, bytes + taken, k);
    filled_ += k;
    taken += k;
    if (filled_ == length_) submit();
  }
  dropped_ += n - taken;
  return taken;
}

bool WaveWriter::flush() {
  if (buffers_.empty() || filled_ == 0) return true;
  bool ok = device_.write(current_, filled_);
  buffers_[current_].submitted = ok;
  if (!ok) dropped_ += filled_;
  current_ = (current_ + 1) % buffers_.size();
  filled_ = 0;
  return ok;
}

uint32_t volume_word(int percent) {
  uint32_t v = uint32_t(std::clamp(percent, 0, 100)) * 0xFFFFu / 100;
  return v | v << 16;
}

int volume_percent(uint32_t word) {
  uint32_t louder = std::max(word & 0xFFFF, word >> 16);
  return int((louder * 100 + 0x7FFF) / 0xFFFF);
}

uint32_t position_ms(PositionUnit unit, uint32_t value, const PcmFormat& pcm) {
  switch (unit) {
    case PositionUnit::ms: return value;
    case PositionUnit::bytes:
      return pcm.bytes_per_second ? uint32_t(uint64_t(value) * 1000 / pcm.bytes_per_second) : 0;
    case PositionUnit::samples:
      return pcm.samples_per_second ? uint32_t(uint64_t(value) * 1000 / pcm.samples_per_second)
                                    : 0;
  }
  return 0;
}

bool PositionWatch::advancing(uint32_t position_ms) {
  bool changed = position_ms != last_ && position_ms != 0;
  last_ = position_ms;
  return changed;
}

void pcm16_to_pcm8(const uint8_t* in, std::size_t n16, uint8_t* out) {
  for (std::size_t i = 0; i + 1 < n16; i += 2) {
    uint16_t biased = uint16_t((in[i] | in[i + 1] << 8) ^ 0x8000);
    out[i / 2] = uint8_t(biased >> 8);
  }
}

}  // namespace qem
