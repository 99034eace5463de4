// Fuzzes button-map files: profile text parsing, loading the map, building
// both drive pages, matching codes, and the value and path decoders.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "beamhub/button_map.h"
#include "beamhub/codes.h"
#include "common/profile.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "rcb_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

bool terminated(const char* field, std::size_t size) {
  return std::memchr(field, '\0', size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace beamhub;
  const std::string_view bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);

  // The whole input as a button-map file.
  const std::optional<halvo::ProfileText> text = halvo::ProfileText::parse(bytes);
  check(text.has_value() == (size <= halvo::ProfileText::kMaxTextSize));
  ProfileTextReader reader(text ? &*text : nullptr);

  static ButtonMap map;
  static ControlInfo control;
  std::memset(&map, 0xA5, sizeof(map));
  std::memset(&control, 0xA5, sizeof(control));
  load_button_map(reader, map, control);

  check(terminated(control.make, sizeof(control.make)));
  check(terminated(control.model, sizeof(control.model)));
  check(terminated(control.description, sizeof(control.description)));
  check(control.standard_mode_valid <= 1 && control.remote_mode_valid <= 1);
  for (int i = 0; i < kButtonCount; ++i) {
    const MapEntry& e = map[i];
    check(e.count <= 6);
    if (e.count == 0) check(e.flags == 0);
    for (int k = e.count; k < 6; ++k) check(e.code[k] == 0);
    for (uint8_t b : e.extra) check(b == 0);
    // A normal-layer entry's own code finds it, an earlier normal-layer
    // button, or a priority-layer button.
    if (e.count != 0 && (e.flags & kLayerNormal)) {
      const uint16_t found = match_code(map, e.code, false, false);
      check(is_button(found));
      check(found <= kFirstButton + i || (map[found - kFirstButton].flags & kLayerPriority));
    }
  }

  uint8_t page20[28];
  uint8_t page21[46];
  check(build_standalone_params(map, control, page20) == (control.standard_mode_valid == 1));
  check(build_pc_mode_params(control, page21) == (control.remote_mode_valid == 1));

  // Codes taken from the input, in every mode.
  for (std::size_t off = 0; off < size && off < 64; off += 6) {
    uint8_t code[6] = {};
    std::memcpy(code, data + off, size - off < 6 ? size - off : 6);
    for (int mode = 0; mode < 4; ++mode) {
      const uint16_t b = match_code(map, code, mode & 1, mode & 2);
      check(b == kNoMatch || is_button(b));
    }
  }

  // The raw bytes as a Mapping value and as a RemoteController setting.
  MapEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  if (decode_mapping(bytes, entry))
    check(entry.count >= 1 && entry.count <= 6);
  else
    check(entry.flags == 0 && entry.count == 0);

  const std::size_t half = size / 2;
  std::string full = "unchanged";
  if (expand_remote_controller(bytes.substr(0, half), bytes.substr(half), full)) {
    check(full.size() <= 260);
    check(half == 0 ? full.empty() : full.size() >= 4 && full.compare(full.size() - 4, 4, ".rcb") == 0);
  } else {
    check(full == "unchanged");
  }
  expand_remote_controller(bytes, "C:\\suite\\rcb", full);
  return 0;
}
