// Byte-building helpers shared by the transport tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qem_test {

using Bytes = std::vector<uint8_t>;

inline Bytes be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes zeros(std::size_t n) { return Bytes(n, 0); }

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A framed control message as the server writes it.
inline Bytes framed(uint32_t type, const Bytes& payload) {
  return cat({be32(uint32_t(payload.size() + 4)), be32(type), payload});
}

// One datagram entry: header, media bytes, padding to a multiple of 4.
inline Bytes entry(uint8_t stream, uint8_t fragment, uint32_t time, uint32_t number,
                   const Bytes& media) {
  Bytes out = cat({be16(uint16_t(12 + media.size())), Bytes{stream, fragment}, be32(time),
                   be32(number), media});
  out.resize((out.size() + 3) & ~std::size_t(3), 0);
  return out;
}

inline Bytes datagram(uint32_t sequence, uint32_t generation, std::initializer_list<Bytes> entries,
                      bool report_request = false) {
  Bytes out = cat({be32(sequence), be32(generation | (report_request ? 0x80000000u : 0)),
                   be32(0)});
  for (const Bytes& e : entries) out.insert(out.end(), e.begin(), e.end());
  return out;
}

inline std::string hex(const Bytes& b) {
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < b.size(); ++i) {
    std::snprintf(buf, sizeof buf, i % 4 == 3 ? "%02x " : "%02x", b[i]);
    s += buf;
  }
  return s;
}

}  // namespace qem_test
