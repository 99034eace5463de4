// Fuzzes the control connection: the framing reader fed in arbitrary pieces
// must find the same messages as when fed in one go, and a client fed the
// same pieces must survive every message and write only well-framed bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qemliv32/control_stream.h"
#include "qemliv32/tests/vtp_fuzz_events.h"
#include "qemliv32/vtp_client.h"

using namespace qem;

namespace {

std::vector<std::string> messages(const uint8_t* data, std::size_t size,
                                  const std::vector<std::size_t>& pieces, bool& lost) {
  ControlStreamReader reader;
  std::vector<std::string> out;
  lost = false;
  std::size_t at = 0, piece = 0;
  while (at < size && !lost) {
    std::size_t n = pieces.empty() ? size - at : std::min(pieces[piece++ % pieces.size()], size - at);
    const uint8_t* p = data + at;
    at += n;
    while (n > 0) {
      std::size_t used = 0;
      PacketBuffer m;
      auto status = reader.read(p, n, used, m);
      check(used <= n);
      if (status == ControlStreamReader::Status::lost_sync) {
        lost = true;
        break;
      }
      p += used;
      n -= used;
      if (status == ControlStreamReader::Status::message) {
        check(m.size() >= 1 && m.size() <= kMaxControlMessage);
        out.emplace_back(reinterpret_cast<const char*>(m.data()), m.size());
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Byte 0: piece sizes; byte 1: engine answers. The rest is the stream.
  std::vector<std::size_t> pieces;
  for (uint8_t b = data[0]; b; b >>= 2) pieces.push_back((b & 3) * 3 + 1);
  uint8_t answers = data[1];
  data += 2;
  size -= 2;

  bool lost_whole = false, lost_split = false;
  auto whole = messages(data, size, {}, lost_whole);
  auto split = messages(data, size, pieces, lost_split);
  check(whole == split);
  check(lost_whole == lost_split);

  qem_fuzz::Engine engine;
  engine.answers = answers;
  VtpClient client(engine);
  uint32_t now = 0xFFFF0000u;  // crosses the tick count's wrap
  client.on_connect_started(now, 4000);
  HandshakeDetails details;
  details.player_id = "{00000000-0000-0000-0000-000000000000}";
  client.on_connected(now, details);
  client.send_slide_mode(0);
  client.send_play_request("/clip", 12, now);
  std::size_t at = 0, piece = 0;
  while (at < size) {
    std::size_t n = pieces.empty() ? size - at : std::min(pieces[piece++ % pieces.size()], size - at);
    client.on_control_bytes(data + at, n, now);
    at += n;
    now += 7919;
    client.on_tick(now);
    qem_fuzz::check_output(client.take_output());
  }
  check(client.state() == ProtocolState::idle || client.state() == ProtocolState::requested ||
        client.state() == ProtocolState::streaming || client.state() == ProtocolState::draining);
  if (lost_whole) check(client.disconnect_requested() || client.state() == ProtocolState::idle);
  return 0;
}
