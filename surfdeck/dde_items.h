// The texts of the browser's DDE conversation: topic names, the items of
// every transaction, the walk over a "WWW_ListWindows" reply, and the
// comma split of echo, window-change and window-information texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace surfdeck {

// The topics, in the order of the link's string handles.
enum class Topic {
  OpenURL,
  GetWindowInfo,
  ListWindows,
  RegisterProtocol,
  RegisterURLEcho,
  RegisterWindowChange,
  UnRegisterProtocol,
  UnRegisterURLEcho,
  UnRegisterWindowChange,
  URLEcho,
  WindowChange,
};
inline constexpr int kTopicCount = 11;
// "WWW_OpenURL" ... "WWW_WindowChange".
const char* topicName(Topic topic);

// Our own DDE service, which the browser pokes its echoes to.
inline constexpr const char* kOwnService = "ZKAPP";

// Every item is built in a text of 256 characters, terminator included.
inline constexpr std::size_t kItemLimit = 255;

// "WWW_OpenURL" argument texts (dq is a double quote, part of the text).
// dq "file:" path dq ",,-1"
std::string explorerHomeArgument(const std::string& bookmarkPath);
// dq path dq ",,0xFFFFFFFF"
std::string navigatorHomeArgument(const std::string& bookmarkPath);
// dq URL dq ",,0xFFFFFFFF"
std::string linkArgument(const std::string& url);

// The "WWW_OpenURL" item: the argument followed by ",,,,,". nullopt when it
// does not fit the item text: it is refused whole, never cut.
std::optional<std::string> openUrlItem(const std::string& argument);
// A window id as lower-case hexadecimal digits without prefix.
std::string windowIdItem(uint32_t windowId);
// dq "ZKAPP" dq "," hex id.
std::string registerWindowChangeItem(uint32_t windowId);
// dq "ZKAPP" dq: the item of the "WWW_RegisterURLEcho" poke.
std::string urlEchoItem();

// The window id a "WWW_ListWindows" reply names: an empty reply keeps
// current; otherwise the first u32 (little-endian) of the array, unless it
// ends the array at once (0 or 0xFFFFFFFF), which keeps current too. Only
// whole u32s inside size are read.
uint32_t windowIdFromList(const uint8_t* data, std::size_t size, uint32_t current);

// A text split at commas into at most 10 fields of at most 255 characters.
// A longer field keeps its first 255 characters; fields after the tenth are
// dropped. The text ends at size or at its first NUL.
inline constexpr int kMaxFields = 10;
inline constexpr std::size_t kMaxFieldLength = 255;
struct Fields {
  std::array<std::string, kMaxFields> field;
  int count = 0;
};
Fields splitFields(const char* text, std::size_t size);

// The window title of a "WWW_GetWindowInfo" reply: field 2 without its first
// and last character (the quotes). nullopt when there is no field 2 or it is
// shorter than two characters.
std::optional<std::string> windowTitleFromInfo(const Fields& info);

}  // namespace surfdeck
