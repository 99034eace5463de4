// Framing of the control connection: a u32 big-endian length word, collected
// over any number of reads, then that many content bytes (type word and
// payload), again over any number of reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qemliv32/packet_buffer.h"

namespace qem {

// No control message comes near this; a larger length word means the
// stream is out of step, and allocating it would be the peer's choice.
constexpr uint32_t kMaxControlMessage = 1u << 20;

class ControlStreamReader {
 public:
  enum class Status {
    need_more,  // every byte was used; no message is complete yet
    message,    // `message` holds a complete one; bytes after `used` remain
    lost_sync,  // a length word of 0 or above kMaxControlMessage, or no memory
  };

  // Takes bytes from data[0..n) up to the end of at most one message and
  // says how many it took in `used`. After lost_sync the reader takes
  // nothing more until reset().
  Status read(const uint8_t* data, std::size_t n, std::size_t& used, PacketBuffer& message);

  // Drops a half-read length word or message.
  void reset();
  bool lost() const { return lost_; }

 private:
  uint8_t length_bytes_[4] = {};
  std::size_t length_have_ = 0;
  PacketBuffer partial_;
  bool lost_ = false;
};

}  // namespace qem
