// Fuzzes the data path: datagrams (each prefixed by a u16 length) walked,
// fragments joined and losses recorded by a streaming client, with ticks
// and reports in between. Bounds of the missing list and the fragment list
// are checked after every datagram.
#include <cstddef>
#include <cstdint>

#include "qemliv32/datagram.h"
#include "qemliv32/tests/vtp_fuzz_events.h"
#include "qemliv32/vtp_client.h"
#include "qemliv32/vtp_message.h"

using namespace qem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  qem_fuzz::Engine engine;
  engine.answers = data[0];
  bool kind6 = data[1] & 1;
  data += 2;
  size -= 2;

  VtpClient client(engine);
  uint32_t now = 0xFFFFF000u;
  client.on_connect_started(now, 4000);
  client.on_connected(now, HandshakeDetails());
  client.send_play_request("/clip", 12, now);
  auto serve = [&](const std::vector<uint8_t>& bytes) {
    client.on_control_bytes(bytes.data(), bytes.size(), now);
  };
  // The server's messages, framed as the server would.
  auto framed = [](uint32_t type, std::vector<uint8_t> payload) {
    std::vector<uint8_t> out;
    append_be32(out, uint32_t(payload.size() + 4));
    append_be32(out, type);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
  };
  std::vector<uint8_t> identity;
  append_be32(identity, 257);
  append_be32(identity, kind6 ? 6 : 0);
  append_be32(identity, 0);
  serve(framed(16, identity));
  std::vector<uint8_t> code;
  append_be32(code, 7);
  serve(framed(2, code));
  code.clear();
  append_be32(code, 11);
  serve(framed(2, code));
  client.take_output();

  std::size_t at = 0;
  while (at + 2 <= size) {
    std::size_t n = read_be16(data + at);
    at += 2;
    if (n > size - at) n = size - at;
    client.on_datagram(data + at, n, now);
    at += n;
    now += 37;
    client.on_tick(now);
    check(client.loss_reporter().missing().size() <= LossReporter::kMaxMissing);
    check(client.fragments().size() <= FragmentList::kMaxFragments);
    check(client.fragments().held_bytes() <= FragmentList::kMaxBytes);
    qem_fuzz::check_output(client.take_output());
  }
  return 0;
}
