// halvo::Registry over a root of the real registry (HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT).
#pragma once

#include <windows.h>

#include "common/registry.h"

namespace halvo {

class Win32Registry : public Registry {
 public:
  explicit Win32Registry(HKEY root) : root_(root) {}

  bool key_exists(const std::string& key) override;
  bool create_key(const std::string& key) override;
  bool delete_key(const std::string& key) override;
  std::optional<std::string> read_string(const std::string& key, const std::string& name) override;
  std::optional<std::vector<uint8_t>> read_binary(const std::string& key, const std::string& name) override;
  std::optional<uint32_t> read_dword(const std::string& key, const std::string& name) override;
  bool write_string(const std::string& key, const std::string& name, const std::string& text) override;
  bool write_binary(const std::string& key, const std::string& name, const std::vector<uint8_t>& bytes) override;
  bool write_dword(const std::string& key, const std::string& name, uint32_t value) override;

 private:
  // The value's type and bytes, at most limit bytes; false when missing or larger.
  bool query(const std::string& key, const std::string& name, DWORD& type, std::vector<uint8_t>& data,
             size_t limit);
  bool set(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size);

  HKEY root_;
};

}  // namespace halvo
