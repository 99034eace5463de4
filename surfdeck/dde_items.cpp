#include "surfdeck/dde_items.h"

#include <cstdio>

namespace surfdeck {

namespace {

constexpr const char* kTopicNames[kTopicCount] = {
    "WWW_OpenURL",
    "WWW_GetWindowInfo",
    "WWW_ListWindows",
    "WWW_RegisterProtocol",
    "WWW_RegisterURLEcho",
    "WWW_RegisterWindowChange",
    "WWW_UnRegisterProtocol",
    "WWW_UnRegisterURLEcho",
    "WWW_UnRegisterWindowChange",
    "WWW_URLEcho",
    "WWW_WindowChange",
};

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

const char* topicName(Topic topic) {
  const int i = static_cast<int>(topic);
  return i >= 0 && i < kTopicCount ? kTopicNames[i] : "";
}

std::string explorerHomeArgument(const std::string& bookmarkPath) {
  return quoted("file:" + bookmarkPath) + ",,-1";
}

std::string navigatorHomeArgument(const std::string& bookmarkPath) {
  return quoted(bookmarkPath) + ",,0xFFFFFFFF";
}

std::string linkArgument(const std::string& url) { return quoted(url) + ",,0xFFFFFFFF"; }

std::optional<std::string> openUrlItem(const std::string& argument) {
  std::string item = argument + ",,,,,";
  // A cut item would open another address than the one asked for.
  if (item.size() > kItemLimit) return std::nullopt;
  return item;
}

std::string windowIdItem(uint32_t windowId) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(windowId));
  return hex;
}

std::string registerWindowChangeItem(uint32_t windowId) {
  return urlEchoItem() + "," + windowIdItem(windowId);
}

std::string urlEchoItem() { return quoted(kOwnService); }

uint32_t windowIdFromList(const uint8_t* data, std::size_t size, uint32_t current) {
  // The array ends at 0, 0xFFFFFFFF or a repeated id, or where the reply
  // does; of the ids before that end only the first is used.
  if (!data || size < 4) return current;
  const uint32_t first = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                         static_cast<uint32_t>(data[2]) << 16 |
                         static_cast<uint32_t>(data[3]) << 24;
  if (first == 0 || first == 0xFFFFFFFFu) return current;
  return first;
}

Fields splitFields(const char* text, std::size_t size) {
  Fields out;
  if (!text || size == 0 || text[0] == '\0') return out;
  out.count = 1;
  for (std::size_t i = 0; i < size && text[i] != '\0'; ++i) {
    if (text[i] == ',') {
      if (out.count == kMaxFields) break;
      ++out.count;
      continue;
    }
    std::string& field = out.field[out.count - 1];
    if (field.size() < kMaxFieldLength) field += text[i];
  }
  return out;
}

std::optional<std::string> windowTitleFromInfo(const Fields& info) {
  if (info.count < 2) return std::nullopt;
  const std::string& title = info.field[1];
  if (title.size() < 2) return std::nullopt;
  return title.substr(1, title.size() - 2);
}

}  // namespace surfdeck
