#include "common/win32/win32_registry.h"

namespace halvo {

bool Win32Registry::key_exists(const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

bool Win32Registry::create_key(const std::string& key) {
  HKEY k;
  if (RegCreateKeyExA(root_, key.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &k, NULL) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool Win32Registry::delete_key(const std::string& key) {
  return RegDeleteKeyA(root_, key.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::query(const std::string& key, const std::string& name, DWORD& type,
                          std::vector<uint8_t>& data, size_t limit) {
  HKEY k;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(k, name.c_str(), NULL, &type, NULL, &size);
  if (rc == ERROR_SUCCESS && size <= limit) {
    data.assign(size, 0);
    rc = RegQueryValueExA(k, name.c_str(), NULL, &type, data.empty() ? NULL : data.data(), &size);
    data.resize(size);
  } else if (rc == ERROR_SUCCESS) {
    rc = ERROR_MORE_DATA;
  }
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

std::optional<std::string> Win32Registry::read_string(const std::string& key, const std::string& name) {
  DWORD type;
  std::vector<uint8_t> data;
  if (!query(key, name, type, data, kMaxText + 1) || (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::string text(data.begin(), data.end());
  // The stored terminator, and anything after an inner one, are not text.
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  if (text.size() > kMaxText) return std::nullopt;
  return text;
}

std::optional<std::vector<uint8_t>> Win32Registry::read_binary(const std::string& key,
                                                               const std::string& name) {
  DWORD type;
  std::vector<uint8_t> data;
  if (!query(key, name, type, data, kMaxBinary) || type != REG_BINARY) return std::nullopt;
  return data;
}

std::optional<uint32_t> Win32Registry::read_dword(const std::string& key, const std::string& name) {
  DWORD type;
  std::vector<uint8_t> data;
  if (!query(key, name, type, data, 4) || type != REG_DWORD || data.size() != 4) return std::nullopt;
  return static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
}

bool Win32Registry::set(const std::string& key, const std::string& name, DWORD type, const void* data,
                        DWORD size) {
  HKEY k;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return false;
  const LONG rc = RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

bool Win32Registry::write_string(const std::string& key, const std::string& name, const std::string& text) {
  return set(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool Win32Registry::write_binary(const std::string& key, const std::string& name,
                                 const std::vector<uint8_t>& bytes) {
  return set(key, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool Win32Registry::write_dword(const std::string& key, const std::string& name, uint32_t value) {
  const DWORD v = value;
  return set(key, name, REG_DWORD, &v, sizeof v);
}

}  // namespace halvo
