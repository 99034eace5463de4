#include "beamhub/win32/tests/machine.h"

#include <stdlib.h>
#include <string.h>

#include "testing/win32/harness.h"

namespace itest {

std::vector<uint8_t> map_code(const char* button) {
  std::vector<uint8_t> entry = profile_hex(program_folder() + "zk.rcb", "Mapping", button);
  std::vector<uint8_t> code(6, 0);
  if (entry.size() >= 2)
    for (size_t i = 0; i < entry[1] && 2 + i < entry.size() && i < 6; ++i) code[i] = entry[2 + i];
  return code;
}

bool carries(const vdrive::LogEntry& e, const std::vector<uint8_t>& code) {
  return e.data_count >= 18 && (e.data[10] >> 6) == 1 && memcmp(e.data + 12, code.data(), 6) == 0;
}

std::vector<uint8_t> profile_hex(const std::string& file, const char* section, const char* key) {
  char text[512];
  GetPrivateProfileStringA(section, key, "", text, sizeof text, file.c_str());
  std::vector<uint8_t> bytes;
  for (size_t i = 0; text[i] && text[i + 1]; i += 2) {
    char pair[3] = {text[i], text[i + 1], '\0'};
    bytes.push_back(static_cast<uint8_t>(strtoul(pair, NULL, 16)));
  }
  return bytes;
}

}  // namespace itest
