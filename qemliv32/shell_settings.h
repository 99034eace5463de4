// The QEMPLAY.INI values the transport's shell reads: the data port rule at
// connect, the handshake's details when the connection completes.
#pragma once

#include <cstdint>
#include <string>

#include "qemliv32/vtp_client.h"

namespace qem {

class ProfileStore;

struct ShellSettings {
  bool auto_data_port = true;  // AutoDataPort: let the system choose
  uint16_t data_port = 0;      // DataPort, used when AutoDataPort is 0
  std::string name, company, email, player_id;
  uint32_t buffer_ms = 7500;   // BufferSize, at least 7500
};

ShellSettings read_shell_settings(ProfileStore& store);

// What the client's handshake sends of them.
HandshakeDetails handshake_details(const ShellSettings& s);

}  // namespace qem
