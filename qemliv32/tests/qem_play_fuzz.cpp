// The entry's command line on arbitrary bytes, and any bytes as a message
// through the outside program's command line: it must arrive as its text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "qemliv32/qem_play.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), data ? size : 0);

  qem::QemPlaySwitches s = qem::parse_qem_play(input);
  if (s.text.size() > qem::kMaxSystemMessage || s.script.size() > input.size()) __builtin_trap();

  const std::string line = qem::sysmsg_command("C:\\Program Files\\qemplay", qem::kPlayerProgram, input);
  qem::QemPlaySwitches shown = qem::parse_qem_play(qem::player_arguments(line));
  if (shown.action != qem::QemPlaySwitches::Action::sysmsg ||
      shown.text != qem::system_message_text(input))
    __builtin_trap();
  return 0;
}
