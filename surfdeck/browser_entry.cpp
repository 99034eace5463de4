#include "surfdeck/browser_entry.h"

#include <cstdio>

#include "surfdeck/keys.h"
#include "surfdeck/link_table.h"

namespace surfdeck {

std::string entryKey(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%02d", number);
  return std::string(kAppBrowserKey) + "\\" + name;
}

std::optional<std::string> readBoundedText(halvo::Registry& registry, const std::string& key,
                                           const char* name, int bytes) {
  std::optional<std::string> text = registry.read_string(key, name);
  if (!text || text->size() + 1 > static_cast<std::size_t>(bytes)) return std::nullopt;
  return text;
}

std::optional<int> readDecimal(halvo::Registry& registry, const std::string& key, const char* name,
                               int bytes) {
  const std::optional<std::string> text = readBoundedText(registry, key, name, bytes);
  if (!text) return std::nullopt;
  return leadingNumber(text->c_str());
}

}  // namespace surfdeck
