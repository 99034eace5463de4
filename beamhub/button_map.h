// Button-map files (*.rcb): value decoding, the RemoteController path,
// loading into the shared map, the drive settings pages built from it, and
// matching received codes layer by layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "beamhub/shared_area.h"

namespace halvo {
class ProfileText;
}

namespace beamhub {

constexpr uint16_t kNoMatch = 0xFFFF;
constexpr std::size_t kMappingChars = 16;  // characters of a Mapping value that are read

// One value of a profile file, as GetPrivateProfileStringA returns it: the
// value or the default, cut to size - 1 characters.
class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  virtual std::string get(const char* section, const char* key, const char* def,
                          std::size_t size) = 0;
};

// A ProfileReader over parsed profile text (common/profile.h); a null text
// stands for a missing file, so every value is its default. Like the Win32
// call, a value ends at its first NUL, trailing blanks of the default are
// dropped, and at most size - 1 characters come back.
class ProfileTextReader : public ProfileReader {
 public:
  explicit ProfileTextReader(const halvo::ProfileText* text) : text_(text) {}
  std::string get(const char* section, const char* key, const char* def,
                  std::size_t size) override;

 private:
  const halvo::ProfileText* text_;
};

// Two lower-case hex digits, high first; any other character gives 0.
uint8_t decode_hex_pair(char high, char low);

// Decodes the pairs of text into out (at most max bytes); returns how many
// complete pairs the text held, up to max.
std::size_t decode_hex_bytes(std::string_view text, uint8_t* out, std::size_t max);

// Decodes a counted hex string ("ffnncc..."): flags, count and code bytes.
// Returns false and leaves the entry unmapped (flags, count and code 0) when
// the value is not a valid mapping.
bool decode_mapping(std::string_view value, MapEntry& entry);

// Expands a RemoteController setting against RcbPath into a full path.
// Returns false, leaving full untouched, when the result would be longer
// than 260 characters. An empty setting gives an empty path (no file).
bool expand_remote_controller(std::string_view setting, std::string_view rcb_path,
                              std::string& full);

// Reads the Control and Mapping sections into the map and control record.
// Every entry is cleared first, so a missing file gives an empty map.
void load_button_map(ProfileReader& file, ButtonMap& map, ControlInfo& control);

// The 28 parameter bytes of page 0x20 (StandardMode with the overlays).
// False when StandardMode was not given in full.
bool build_standalone_params(const ButtonMap& map, const ControlInfo& control,
                             uint8_t params[28]);

// The 46 parameter bytes of page 0x21 (RemoteMode). False when not given in full.
bool build_pc_mode_params(const ControlInfo& control, uint8_t params[46]);

// Matches six received code bytes: priority layer, then mouse (with mouse
// lock), shift (with shift lock), normal. Returns the button code or kNoMatch.
uint16_t match_code(const ButtonMap& map, const uint8_t code[6], bool shift_lock,
                    bool mouse_lock);

}  // namespace beamhub
