// Checks a client's IDENTITY reply: its player identifier, DES-CBC
// enciphered under a key made from the bytes the server sent. Uses
// OpenSSL's DES so the check does not depend on the client's cipher.
#pragma once

#include <optional>
#include <string>

#include "sim/server/wire.h"

namespace vsrv {

// The identifier carried by the reply, or nullopt when the ciphertext is
// not a whole number of blocks or its count byte is not 0-7.
std::optional<std::string> reply_player_id(const Bytes& server_bytes, const Bytes& cipher);

}  // namespace vsrv
