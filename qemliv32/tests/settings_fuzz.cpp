// QEMPLAY.INI text of any kind read into the settings.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "qemliv32/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), data ? size : 0);
  qem::QemSettings s = qem::load_settings_text(text);
  if (s.name.size() > qem::kMaxUserDetail || s.lastmsg.size() > qem::kMaxTempText) __builtin_trap();
  if (qem::protocol_buffer_ms(s.buffer_size) < qem::kMinProtocolBufferMs) __builtin_trap();
  return 0;
}
