// halvo::Registry kept in memory, for native tests: the same contract as the
// real registry (key and value names compared without regard to case,
// create_key makes parents, delete_key refuses a key with subkeys, values
// read only as their own type and within the read bounds), plus keys a test
// marks to refuse writes or deletes so failure paths can be driven.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/registry.h"

namespace halvo {

class MemoryRegistry : public Registry {
 public:
  bool key_exists(const std::string& key) override;
  bool create_key(const std::string& key) override;
  bool delete_key(const std::string& key) override;
  std::optional<std::string> read_string(const std::string& key, const std::string& name) override;
  std::optional<std::vector<uint8_t>> read_binary(const std::string& key, const std::string& name) override;
  std::optional<uint32_t> read_dword(const std::string& key, const std::string& name) override;
  bool write_string(const std::string& key, const std::string& name, const std::string& text) override;
  bool write_binary(const std::string& key, const std::string& name, const std::vector<uint8_t>& bytes) override;
  bool write_dword(const std::string& key, const std::string& name, uint32_t value) override;

  // Creating the key and writing its values fail from now on.
  void refuse_writes(const std::string& key);
  // Deleting the key fails from now on.
  void refuse_delete(const std::string& key);

  // Names of the key's direct subkeys, as created, sorted without regard to case.
  std::vector<std::string> subkeys(const std::string& key) const;
  std::size_t value_count(const std::string& key) const;

 private:
  enum class Type { text, binary, dword };
  struct Value {
    Type type;
    std::vector<uint8_t> bytes;
  };
  struct Key {
    std::string name;                    // last component as created
    std::map<std::string, Value> values;  // by lower-cased name
  };

  // Lower-cased components joined by '\'; empty components dropped.
  static std::string normal(const std::string& key);
  static std::string lower(const std::string& s);
  const Value* find(const std::string& key, const std::string& name, Type type) const;
  bool write(const std::string& key, const std::string& name, Type type, std::vector<uint8_t> bytes);

  std::map<std::string, Key> keys_;  // by normal path
  std::set<std::string> refuse_writes_;
  std::set<std::string> refuse_deletes_;
};

}  // namespace halvo
