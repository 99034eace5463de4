// The client's answer to a server IDENTITY: its player identifier enciphered
// with DES in CBC mode under a key taken from the server's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qem {

// The ciphertext carried by the client's IDENTITY reply (a multiple of 8
// bytes). key_source is the server's IDENTITY byte block (n bytes).
std::vector<uint8_t> encipher_player_id(const uint8_t* key_source, std::size_t n,
                                        std::string_view player_id);

}  // namespace qem
