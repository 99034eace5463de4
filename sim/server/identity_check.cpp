#include "sim/server/identity_check.h"

#include <openssl/des.h>

#include <cstring>

namespace vsrv {

std::optional<std::string> reply_player_id(const Bytes& server_bytes, const Bytes& cipher) {
  if (cipher.empty() || cipher.size() % 8 != 0) return std::nullopt;
  // Key: the server's first bytes as a string (up to a zero byte), zero
  // filled, then bit 7 chosen so each byte has odd parity.
  DES_cblock key = {0};
  for (std::size_t i = 0; i < 8 && i < server_bytes.size() && server_bytes[i] != 0; ++i)
    key[i] = server_bytes[i];
  for (auto& k : key) {
    int ones = __builtin_popcount(k & 0x7F);
    k = uint8_t((k & 0x7F) | (ones % 2 == 0 ? 0x80 : 0));
  }
  DES_key_schedule schedule;
  DES_set_key_unchecked(&key, &schedule);
  DES_cblock iv = {0};
  Bytes plain(cipher.size());
  DES_ncbc_encrypt(cipher.data(), plain.data(), long(cipher.size()), &schedule, &iv, DES_DECRYPT);
  uint8_t count = plain.back();
  if (count > 7) return std::nullopt;
  std::size_t len = plain.size() - 8 + count;
  return std::string(plain.begin(), plain.begin() + len);
}

}  // namespace vsrv
