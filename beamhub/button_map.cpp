#include "beamhub/button_map.h"

#include <cstring>

#include "beamhub/codes.h"
#include "common/profile.h"

namespace beamhub {
namespace {

constexpr std::size_t kMaxPath = kPathSize;  // characters of an expanded path
constexpr std::size_t kStandardModeBytes = sizeof(ControlInfo::standard_mode);
constexpr std::size_t kRemoteModeBytes = sizeof(ControlInfo::remote_mode);
constexpr const char* kDefault = "Unknown";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool valid_pair(char high, char low) { return hex_digit(high) >= 0 && hex_digit(low) >= 0; }

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Copies at most size - 1 characters of value (up to its first NUL) into a
// NUL-terminated field.
void copy_text(const std::string& value, char* field, std::size_t size) {
  std::size_t n = std::strlen(value.c_str());
  if (n > size - 1) n = size - 1;
  std::memcpy(field, value.data(), n);
  field[n] = '\0';
}

// Reads a hex-bytes Control value; valid only when every byte had its pair.
uint8_t read_hex_value(ProfileReader& file, const char* key, uint8_t* out, std::size_t bytes) {
  const std::string value = file.get("Control", key, kDefault, bytes * 2 + 1);
  return decode_hex_bytes(value, out, bytes) == bytes ? 1 : 0;
}

// Splits a path like _splitpath: drive ("X:"), folder (through the last
// separator), name, and extension (from the last '.' of the file part).
struct SplitPath {
  std::string_view drive, folder, name, ext;
};

SplitPath split_path(std::string_view path) {
  SplitPath p;
  if (path.size() >= 2 && path[1] == ':') {
    p.drive = path.substr(0, 2);
    path.remove_prefix(2);
  }
  std::size_t last_sep = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (is_separator(path[i])) last_sep = i;
  if (last_sep != std::string_view::npos) {
    p.folder = path.substr(0, last_sep + 1);
    path.remove_prefix(last_sep + 1);
  }
  const std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos) {
    p.name = path.substr(0, dot);
    p.ext = path.substr(dot);
  } else {
    p.name = path;
  }
  return p;
}

}  // namespace

std::string ProfileTextReader::get(const char* section, const char* key, const char* def,
                                   std::size_t size) {
  if (size == 0) return std::string();
  std::optional<std::string> found;
  if (text_ != nullptr && section != nullptr && key != nullptr) found = text_->find(section, key);
  std::string value;
  if (found) {
    value = std::move(*found);
    value.resize(std::strlen(value.c_str()));
  } else {
    value = def != nullptr ? def : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  if (value.size() > size - 1) value.resize(size - 1);
  return value;
}

uint8_t decode_hex_pair(char high, char low) {
  if (!valid_pair(high, low)) return 0;
  return static_cast<uint8_t>(hex_digit(high) * 16 + hex_digit(low));
}

std::size_t decode_hex_bytes(std::string_view text, uint8_t* out, std::size_t max) {
  std::size_t n = text.size() / 2;
  if (n > max) n = max;
  for (std::size_t i = 0; i < n; ++i) out[i] = decode_hex_pair(text[2 * i], text[2 * i + 1]);
  return n;
}

bool decode_mapping(std::string_view value, MapEntry& entry) {
  entry.flags = 0;
  entry.count = 0;
  std::memset(entry.code, 0, sizeof(entry.code));

  if (value.size() > kMappingChars) value = value.substr(0, kMappingChars);
  if (value.size() < 4 || !valid_pair(value[0], value[1]) || !valid_pair(value[2], value[3]))
    return false;
  const uint8_t flags = decode_hex_pair(value[0], value[1]);
  const uint8_t count = decode_hex_pair(value[2], value[3]);
  if (count == 0 || count > sizeof(entry.code)) return false;
  // A value too short to hold all its code bytes is not trusted at all.
  if (value.size() < 4 + 2u * count) return false;

  entry.flags = flags;
  entry.count = count;
  decode_hex_bytes(value.substr(4), entry.code, count);
  return true;
}

bool expand_remote_controller(std::string_view setting, std::string_view rcb_path,
                              std::string& full) {
  if (setting.empty()) {
    full.clear();
    return true;
  }
  const SplitPath s = split_path(setting);

  // RcbPath names a folder as a whole: its drive, then the rest as folder.
  std::string_view base_drive, base_folder = rcb_path;
  if (rcb_path.size() >= 2 && rcb_path[1] == ':') {
    base_drive = rcb_path.substr(0, 2);
    base_folder.remove_prefix(2);
  }

  std::string out;
  out.reserve(setting.size() + rcb_path.size() + 8);
  out.append(s.drive.empty() ? base_drive : s.drive);
  if (s.folder.empty() || !is_separator(s.folder[0])) {
    out.append(base_folder);
    if (!base_folder.empty() && !is_separator(base_folder.back())) out.push_back('\\');
  }
  out.append(s.folder);
  out.append(s.name);
  out.append(".rcb");  // also when it was already exactly ".rcb"

  if (out.size() > kMaxPath) return false;
  full = std::move(out);
  return true;
}

void load_button_map(ProfileReader& file, ButtonMap& map, ControlInfo& control) {
  std::memset(&map, 0, sizeof(ButtonMap));
  std::memset(&control, 0, sizeof(ControlInfo));

  copy_text(file.get("Control", "Make", kDefault, sizeof(control.make)), control.make,
            sizeof(control.make));
  copy_text(file.get("Control", "Model", kDefault, sizeof(control.model)), control.model,
            sizeof(control.model));
  copy_text(file.get("Control", "Description", kDefault, sizeof(control.description)),
            control.description, sizeof(control.description));
  control.standard_mode_valid =
      read_hex_value(file, "StandardMode", control.standard_mode, kStandardModeBytes);
  control.remote_mode_valid =
      read_hex_value(file, "RemoteMode", control.remote_mode, kRemoteModeBytes);

  for (int i = 0; i < kButtonCount; ++i) {
    const std::string value =
        file.get("Mapping", button_name(static_cast<uint32_t>(kFirstButton + i)), kDefault,
                 kMappingChars + 1);
    decode_mapping(value, map[i]);
  }
}

bool build_standalone_params(const ButtonMap& map, const ControlInfo& control,
                             uint8_t params[28]) {
  if (!control.standard_mode_valid) return false;
  std::memcpy(params, control.standard_mode, kStandardModeBytes);

  const MapEntry& play = map[kPlay - kFirstButton];
  for (int i = 0; i < 4; ++i) params[5 + i] = play.code[2 + i];

  static const Button kOverlay[9] = {kPlay,          kNextTrack, kPrevTrack,  kSkipForwards,
                                     kSkipBackwards, kVolumeUp,  kVolumeDown, kStop,
                                     kPause};
  for (int k = 0; k < 9; ++k) {
    const MapEntry& e = map[kOverlay[k] - kFirstButton];
    params[9 + 2 * k] = e.code[1];
    params[10 + 2 * k] = e.code[0];
  }
  return true;
}

bool build_pc_mode_params(const ControlInfo& control, uint8_t params[46]) {
  if (!control.remote_mode_valid) return false;
  std::memcpy(params, control.remote_mode, kRemoteModeBytes);
  return true;
}

uint16_t match_code(const ButtonMap& map, const uint8_t code[6], bool shift_lock,
                    bool mouse_lock) {
  uint8_t layers[4];
  int n = 0;
  layers[n++] = kLayerPriority;
  if (mouse_lock) layers[n++] = kLayerMouse;
  if (shift_lock) layers[n++] = kLayerShift;
  layers[n++] = kLayerNormal;

  for (int l = 0; l < n; ++l) {
    for (int i = 0; i < kButtonCount; ++i) {
      const MapEntry& e = map[i];
      // Entries come back from programs too (capability 0x1006): a count
      // above 6 cannot be a code and takes no part.
      if (e.count == 0 || e.count > sizeof(e.code) || (e.flags & layers[l]) == 0) continue;
      if (std::memcmp(e.code, code, e.count) == 0) return static_cast<uint16_t>(kFirstButton + i);
    }
  }
  return kNoMatch;
}

}  // namespace beamhub
