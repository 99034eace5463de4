#include "qemliv32/datagram.h"

#include "qemliv32/vtp_message.h"

namespace qem {

bool read_datagram_header(const uint8_t* data, std::size_t n, DatagramHeader& header) {
  if (n < kDatagramHeaderSize) return false;
  header.sequence = read_be32(data);
  uint32_t word = read_be32(data + 4);
  header.report_request = (word & 0x80000000u) != 0;
  header.generation = word & 0x7FFFFFFF;
  return true;
}

DatagramWalker::DatagramWalker(const uint8_t* data, std::size_t n)
    : data_(data), end_(n & ~std::size_t(3)), pos_(kDatagramHeaderSize) {}

bool DatagramWalker::next(DatagramEntry& entry) {
  if (pos_ >= end_ || end_ - pos_ < kEntryHeaderSize) return false;
  const uint8_t* p = data_ + pos_;
  uint16_t length = read_be16(p);
  if (length < kEntryHeaderSize || length > end_ - pos_) {
    pos_ = end_;
    return false;
  }
  entry.length = length;
  entry.stream = p[2];
  entry.fragment = p[3];
  entry.time = read_be32(p + 4);
  entry.number = read_be32(p + 8);
  entry.offset = pos_ + kEntryHeaderSize;
  entry.size = length - kEntryHeaderSize;
  pos_ += (std::size_t(length) + 3) & ~std::size_t(3);
  return true;
}

}  // namespace qem
