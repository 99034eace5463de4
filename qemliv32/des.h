// DES (FIPS 46) on 8-byte blocks, and CBC mode over whole blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qem {

using DesBlock = std::array<uint8_t, 8>;

class Des {
 public:
  // All 64 key bits are taken as given; DES itself ignores the low bit of
  // each byte.
  explicit Des(const DesBlock& key);

  DesBlock encrypt(const DesBlock& in) const;
  DesBlock decrypt(const DesBlock& in) const;

 private:
  uint64_t crypt(uint64_t block, bool decrypt) const;

  std::array<uint64_t, 16> subkeys_;  // 48 bits each
};

// CBC over len bytes; len must be a multiple of 8 (otherwise the result is
// empty).
std::vector<uint8_t> des_cbc_encrypt(const DesBlock& key, const DesBlock& iv, const uint8_t* data,
                                     std::size_t len);
std::vector<uint8_t> des_cbc_decrypt(const DesBlock& key, const DesBlock& iv, const uint8_t* data,
                                     std::size_t len);

}  // namespace qem
