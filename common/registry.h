// The registry as the programs use it, portable: keys are backslash paths
// below one root (HKEY_CURRENT_USER or HKEY_CLASSES_ROOT on Windows), values
// are read with bounds and of their own type only. The Win32 shell opens
// the real registry (common/win32/win32_registry.h); tests use
// MemoryRegistry (common/memory_registry.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo {

class Registry {
 public:
  // Longest REG_SZ text read, without its terminator; longer values are
  // refused (read as missing), never cut.
  static constexpr std::size_t kMaxText = 1023;
  // Largest REG_BINARY value read.
  static constexpr std::size_t kMaxBinary = 64;

  virtual ~Registry() = default;

  virtual bool key_exists(const std::string& key) = 0;
  // Creates the key and any missing parents; true when it exists afterwards.
  virtual bool create_key(const std::string& key) = 0;
  // Deletes a key that has no subkeys; false when it is missing.
  virtual bool delete_key(const std::string& key) = 0;

  // name "" is the key's default value. nullopt: key or value missing, of
  // another type, or too long.
  virtual std::optional<std::string> read_string(const std::string& key, const std::string& name) = 0;
  virtual std::optional<std::vector<uint8_t>> read_binary(const std::string& key, const std::string& name) = 0;
  virtual std::optional<uint32_t> read_dword(const std::string& key, const std::string& name) = 0;

  // Writes into an existing key; false when the key is missing.
  virtual bool write_string(const std::string& key, const std::string& name, const std::string& text) = 0;
  virtual bool write_binary(const std::string& key, const std::string& name, const std::vector<uint8_t>& bytes) = 0;
  virtual bool write_dword(const std::string& key, const std::string& name, uint32_t value) = 0;
};

}  // namespace halvo
