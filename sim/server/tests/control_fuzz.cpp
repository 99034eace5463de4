// The server's reading of a client's control stream: framing and decoders.
#include <cstddef>
#include <algorithm>
#include <cstdint>

#include "sim/server/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vsrv::ControlReader r;
  // Feed in uneven pieces so partial length words and bodies are exercised.
  size_t off = 0, step = 1;
  while (off < size) {
    size_t n = std::min(step, size - off);
    if (!r.feed(data + off, n)) break;
    off += n;
    step = step * 3 % 17 + 1;
    while (auto m = r.next()) {
      vsrv::decode_hello(m->payload);
      vsrv::decode_open(m->payload);
      vsrv::decode_user_info(m->payload);
      vsrv::decode_identity(m->payload);
      vsrv::decode_report(m->payload);
      vsrv::decode_u32(m->payload);
      vsrv::decode_text(m->payload);
    }
  }
  return 0;
}
