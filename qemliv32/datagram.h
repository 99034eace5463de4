// The data channel's datagram: a 12-byte header (sequence number, report
// request bit and generation, an unused word) and 4-byte aligned entries,
// each a whole media frame or one fragment of one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qem {

constexpr std::size_t kDatagramHeaderSize = 12;
constexpr std::size_t kEntryHeaderSize = 12;

struct DatagramHeader {
  uint32_t sequence = 0;
  bool report_request = false;
  uint32_t generation = 0;  // 31 bits
};

struct DatagramEntry {
  uint16_t length = 0;   // including the 12-byte entry header
  uint8_t stream = 0;    // 0 video, 1 audio, others ignored by the client
  uint8_t fragment = 0;  // 0 whole frame; else bit 7 last, bits 0-6 index from 1
  uint32_t time = 0;
  uint32_t number = 0;
  std::size_t offset = 0;  // of the media bytes within the datagram
  std::size_t size = 0;    // media bytes

  bool whole() const { return fragment == 0; }
  bool last_fragment() const { return (fragment & 0x80) != 0; }
  uint8_t fragment_index() const { return fragment & 0x7F; }
};

// The bytes a datagram counts for in reception reports: its length rounded
// down to a multiple of 4, or 0 when that is below 12.
inline uint32_t datagram_counted_bytes(std::size_t length) {
  std::size_t rounded = length & ~std::size_t(3);
  return rounded < kDatagramHeaderSize ? 0 : uint32_t(rounded);
}

// false when the datagram is too short to hold a header.
bool read_datagram_header(const uint8_t* data, std::size_t n, DatagramHeader& header);

// Walks the entries of one datagram. The entry area is the length rounded
// down to a multiple of 4, less the header; the walk stops at the first
// entry shorter than its own header or running past the area.
class DatagramWalker {
 public:
  DatagramWalker(const uint8_t* data, std::size_t n);
  bool next(DatagramEntry& entry);

 private:
  const uint8_t* data_;
  std::size_t end_;
  std::size_t pos_;
};

}  // namespace qem
