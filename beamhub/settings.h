// The per-user settings kept under the suite's registry key.
#pragma once

#include <cstdint>
#include <string>

#include "beamhub/shared_area.h"

namespace beamhub {

constexpr uint32_t kDefaultMouseInterval = 5;
constexpr uint32_t kDefaultVoice = 1;
constexpr const char* kDefaultRemoteController = "zk";

// The suite key, HKEY_CURRENT_USER "Software\Quorvane Tech\Quorvane Halvo Suite\1.0".
class SettingsRegistry {
 public:
  enum class Type { missing, string, dword, other };
  struct Value {
    Type type = Type::missing;
    std::string text;     // REG_SZ, at most 259 characters
    uint32_t number = 0;  // REG_DWORD
  };

  virtual ~SettingsRegistry() = default;
  // Opens the key, creating it when missing; created says whether it was.
  virtual bool open(bool& created) = 0;
  virtual Value query(const char* name) = 0;
  virtual bool set_string(const char* name, const std::string& text) = 0;
  virtual bool set_dword(const char* name, uint32_t value) = 0;
  virtual void close() = 0;
};

// Reads the settings (defaults for a missing key, a missing value or one of
// the wrong type), fills in the derived folders and expands RemoteController.
// settings.base_folder must be set first.
void load_settings(Settings& settings, SettingsRegistry& registry);

// Writes every value with its type; RemoteController in its expanded form.
bool save_settings(const Settings& settings, SettingsRegistry& registry);

// Copies text into a fixed field, cut to fit and NUL-terminated.
template <std::size_t N>
void copy_field(char (&field)[N], const std::string& text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, n);
  field[n] = '\0';
}

}  // namespace beamhub
