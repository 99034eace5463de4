#include "qemliv32/shell_settings.h"

#include "qemliv32/settings.h"

namespace qem {

ShellSettings read_shell_settings(ProfileStore& store) {
  QemSettings q = load_settings(store);
  ShellSettings s;
  s.auto_data_port = q.auto_data_port != 0;
  // A port outside 0-65535 cannot be bound as given: let the system choose.
  s.data_port = q.data_port > 0 && q.data_port <= 65535 ? uint16_t(q.data_port) : 0;
  s.name = q.name;
  s.company = q.company;
  s.email = q.email;
  s.player_id = q.player_id;
  s.buffer_ms = uint32_t(protocol_buffer_ms(q.buffer_size));
  return s;
}

HandshakeDetails handshake_details(const ShellSettings& s) {
  HandshakeDetails d;
  d.name = s.name;
  d.company = s.company;
  d.email = s.email;
  d.buffer_size_ms = s.buffer_ms;
  d.player_id = s.player_id;
  return d;
}

}  // namespace qem
