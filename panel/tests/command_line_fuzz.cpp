// The command line comes from whoever starts the panel: any bytes, any length.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "panel/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  panel::parse_command_line(text);
  panel::command_line_track(text);
  return 0;
}
