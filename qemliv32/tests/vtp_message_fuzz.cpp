// Fuzzes each server message parser: byte 0 chooses CODE, STREAM_INFO,
// SERVER_TEXT or IDENTITY; the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qemliv32/tests/vtp_fuzz_events.h"
#include "qemliv32/vtp_message.h"

using namespace qem;

namespace {

bool inside(ByteSpan span, const uint8_t* payload, std::size_t n) {
  return span.data >= payload && span.size <= n && std::size_t(span.data - payload) <= n - span.size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t* payload = data + 1;
  std::size_t n = size - 1;
  switch (data[0] & 3) {
    case 0:
      check(parse_code(payload, n).has_value() == (n >= 4));
      break;
    case 1:
      if (auto info = parse_stream_info(payload, n)) {
        check(n >= 12);
        check(inside(info->format, payload, n));
        check(info->format.size == read_be32(payload + 8));
      }
      break;
    case 2:
      if (auto text = parse_server_text(payload, n)) {
        check(n >= 8);
        check(text->text.size() <= n - 8);
        check(std::memchr(text->text.data(), 0, text->text.size()) == nullptr);
        check(text->action() <= 6);
      } else {
        check(n < 8);
      }
      break;
    case 3:
      if (auto identity = parse_identity(payload, n)) {
        check(inside(identity->bytes, payload, n));
      }
      break;
  }
  return 0;
}
