#include "qemliv32/win32/system_settings.h"

#include <windows.h>
#include <objbase.h>

#include <map>
#include <memory>

#include "qemliv32/player_id.h"
#include "qemliv32/settings.h"

namespace qem {

namespace {

class PrivateProfileStore : public ProfileStore {
 public:
  explicit PrivateProfileStore(std::string file) : file_(std::move(file)) {}

  std::optional<std::string> get(std::string_view section, std::string_view key) override {
    // A default no profile value can hold tells a missing key from an empty one.
    static const char kMissing[] = "\x01missing\x01";
    std::string s(section), k(key);
    char buf[1024];
    GetPrivateProfileStringA(s.c_str(), k.c_str(), kMissing, buf, sizeof buf, file_.c_str());
    if (std::string(buf) == kMissing) return std::nullopt;
    return std::string(buf);
  }

  bool put(std::string_view section, std::string_view key, std::string_view value) override {
    std::string s(section), k(key), v(value);
    return WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), file_.c_str()) != 0;
  }

 private:
  std::string file_;
};

class CoGuidSource : public GuidSource {
 public:
  bool create(Guid& out) override {
    GUID g;
    if (CoCreateGuid(&g) != S_OK) return false;
    out.data1 = g.Data1;
    out.data2 = g.Data2;
    out.data3 = g.Data3;
    for (int i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
    return true;
  }
};

}  // namespace

ProfileStore& private_profile_store(const std::string& file) {
  // One store per file for the life of the program: callers keep theirs.
  static std::map<std::string, std::unique_ptr<PrivateProfileStore>> stores;
  std::unique_ptr<PrivateProfileStore>& store = stores[file];
  if (!store) store = std::make_unique<PrivateProfileStore>(file);
  return *store;
}

GuidSource& system_guid_source() {
  static CoGuidSource source;
  return source;
}

}  // namespace qem
