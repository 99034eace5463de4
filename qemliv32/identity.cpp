#include "qemliv32/identity.h"

namespace qem {

DesBlock identity_key(const uint8_t* key_source, std::size_t n) {
  DesBlock key{};
  for (std::size_t i = 0; i < key.size() && i < n && key_source[i] != 0; ++i)
    key[i] = key_source[i];
  for (uint8_t& b : key) {
    int ones = 0;
    for (int bit = 0; bit < 7; ++bit) ones += (b >> bit) & 1;
    b = static_cast<uint8_t>((b & 0x7F) | (ones % 2 == 0 ? 0x80 : 0));
  }
  return key;
}

std::vector<uint8_t> encipher_player_id(const uint8_t* key_source, std::size_t n,
                                        std::string_view player_id) {
  // The last block holds the 0-7 bytes left over and their count in byte 7,
  // so a length that is a multiple of 8 still gets one more block.
  std::size_t tail = player_id.size() % 8;
  std::vector<uint8_t> plain(player_id.size() - tail + 8, 0);
  for (std::size_t i = 0; i < player_id.size(); ++i) plain[i] = static_cast<uint8_t>(player_id[i]);
  plain.back() = static_cast<uint8_t>(tail);
  return des_cbc_encrypt(identity_key(key_source, n), DesBlock{}, plain.data(), plain.size());
}

std::optional<std::string> decipher_player_id(const uint8_t* key_source, std::size_t n,
                                              const uint8_t* cipher, std::size_t cipher_len) {
  if (cipher_len == 0 || cipher_len % 8 != 0) return std::nullopt;
  std::vector<uint8_t> plain =
      des_cbc_decrypt(identity_key(key_source, n), DesBlock{}, cipher, cipher_len);
  uint8_t tail = plain.back();
  if (tail > 7) return std::nullopt;
  return std::string(plain.begin(), plain.end() - 8 + tail);
}

}  // namespace qem
