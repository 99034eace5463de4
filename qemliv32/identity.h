// The client's answer to a server IDENTITY: its player identifier enciphered
// with DES in CBC mode under a key taken from the server's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qemliv32/des.h"

namespace qem {

// The ciphertext carried by the client's IDENTITY reply (a multiple of 8
// bytes). key_source is the server's IDENTITY byte block (n bytes).
std::vector<uint8_t> encipher_player_id(const uint8_t* key_source, std::size_t n,
                                        std::string_view player_id);

// The DES key made from the server's bytes: up to 8 of them copied as a
// string (stopping at a zero byte or at n), the rest zero, then bit 7 of
// every byte set or cleared so that the byte has odd parity.
DesBlock identity_key(const uint8_t* key_source, std::size_t n);

// The server's side of the same exchange: the player identifier recovered
// from a reply, or nullopt when the ciphertext is empty, not a multiple of
// 8 bytes, or its last block does not carry a count of 0-7.
std::optional<std::string> decipher_player_id(const uint8_t* key_source, std::size_t n,
                                              const uint8_t* cipher, std::size_t cipher_len);

}  // namespace qem
