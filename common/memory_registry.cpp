#include "common/memory_registry.h"

#include <cstring>

namespace halvo {

std::string MemoryRegistry::lower(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string MemoryRegistry::normal(const std::string& key) {
  std::string out;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out += lower(key.substr(start, end - start));
    }
    start = end + 1;
  }
  return out;
}

bool MemoryRegistry::key_exists(const std::string& key) {
  const std::string k = normal(key);
  return !k.empty() && keys_.count(k) != 0;
}

bool MemoryRegistry::create_key(const std::string& key) {
  const std::string k = normal(key);
  if (k.empty()) return false;
  if (keys_.count(k)) return true;

  // Every missing component, outermost first; nothing is made when one refuses.
  std::vector<std::pair<std::string, std::string>> missing;
  std::string path;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) {
      const std::string name = key.substr(start, end - start);
      if (!path.empty()) path += '\\';
      path += lower(name);
      if (!keys_.count(path)) {
        if (refuse_writes_.count(path)) return false;
        missing.emplace_back(path, name);
      }
    }
    start = end + 1;
  }
  for (const auto& [p, name] : missing) keys_[p].name = name;
  return true;
}

bool MemoryRegistry::delete_key(const std::string& key) {
  const std::string k = normal(key);
  auto it = keys_.find(k);
  if (it == keys_.end() || refuse_deletes_.count(k)) return false;
  const std::string prefix = k + '\\';
  auto sub = keys_.lower_bound(prefix);
  if (sub != keys_.end() && sub->first.compare(0, prefix.size(), prefix) == 0) return false;
  keys_.erase(it);
  return true;
}

const MemoryRegistry::Value* MemoryRegistry::find(const std::string& key, const std::string& name,
                                                  Type type) const {
  auto k = keys_.find(normal(key));
  if (k == keys_.end()) return nullptr;
  auto v = k->second.values.find(lower(name));
  if (v == k->second.values.end() || v->second.type != type) return nullptr;
  return &v->second;
}

std::optional<std::string> MemoryRegistry::read_string(const std::string& key, const std::string& name) {
  const Value* v = find(key, name, Type::text);
  if (!v || v->bytes.size() > kMaxText) return std::nullopt;
  return std::string(v->bytes.begin(), v->bytes.end());
}

std::optional<std::vector<uint8_t>> MemoryRegistry::read_binary(const std::string& key, const std::string& name) {
  const Value* v = find(key, name, Type::binary);
  if (!v || v->bytes.size() > kMaxBinary) return std::nullopt;
  return v->bytes;
}

std::optional<uint32_t> MemoryRegistry::read_dword(const std::string& key, const std::string& name) {
  const Value* v = find(key, name, Type::dword);
  if (!v) return std::nullopt;
  uint32_t value;
  std::memcpy(&value, v->bytes.data(), sizeof(value));
  return value;
}

bool MemoryRegistry::write(const std::string& key, const std::string& name, Type type,
                           std::vector<uint8_t> bytes) {
  const std::string k = normal(key);
  auto it = keys_.find(k);
  if (it == keys_.end() || refuse_writes_.count(k)) return false;
  it->second.values[lower(name)] = Value{type, std::move(bytes)};
  return true;
}

bool MemoryRegistry::write_string(const std::string& key, const std::string& name, const std::string& text) {
  return write(key, name, Type::text, std::vector<uint8_t>(text.begin(), text.end()));
}

bool MemoryRegistry::write_binary(const std::string& key, const std::string& name,
                                  const std::vector<uint8_t>& bytes) {
  return write(key, name, Type::binary, bytes);
}

bool MemoryRegistry::write_dword(const std::string& key, const std::string& name, uint32_t value) {
  std::vector<uint8_t> bytes(sizeof(value));
  std::memcpy(bytes.data(), &value, sizeof(value));
  return write(key, name, Type::dword, std::move(bytes));
}

void MemoryRegistry::refuse_writes(const std::string& key) { refuse_writes_.insert(normal(key)); }

void MemoryRegistry::refuse_delete(const std::string& key) { refuse_deletes_.insert(normal(key)); }

std::vector<std::string> MemoryRegistry::subkeys(const std::string& key) const {
  const std::string prefix = normal(key) + '\\';
  std::vector<std::string> out;
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it)
    if (it->first.find('\\', prefix.size()) == std::string::npos) out.push_back(it->second.name);
  return out;
}

std::size_t MemoryRegistry::value_count(const std::string& key) const {
  auto it = keys_.find(normal(key));
  return it == keys_.end() ? 0 : it->second.values.size();
}

}  // namespace halvo
