// MediaFrame: one media frame as the data channel hands it to the reception
// pipeline. The bytes are a view: a whole-frame entry shares its datagram's
// block, an assembled fragment run owns a block of its own.
#pragma once

#include <cstdint>

#include "qemliv32/packet_buffer.h"

namespace qem {

enum class MediaStream : uint8_t { video = 0, audio = 1 };

struct MediaFrame {
  uint32_t number = 0;  // the entry's frame number + 1
  uint32_t time = 0;    // ms
  MediaStream stream = MediaStream::video;
  PacketView bytes;     // empty: a placeholder for a lost frame

  std::size_t length() const { return bytes.size(); }
  const uint8_t* data() const { return bytes.data(); }
};

}  // namespace qem
