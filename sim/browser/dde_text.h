// The texts of the test browser's side of the WWW_ DDE conversation: what it
// reads from the items it is sent and what it answers and pokes back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace browser {

// The one browser window, as the WWW_ topics number windows.
constexpr uint32_t kWindowId = 1;
// Longest text a DDE string handle holds: items are kept within it.
constexpr std::size_t kMaxItem = 255;
// Where the URL echo goes.
constexpr char kEchoService[] = "ZKAPP";
constexpr char kEchoTopic[] = "WWW_URLEcho";

// A "WWW_OpenURL" item: the quoted URL, then the other arguments, then the
// ",,,,," every item ends with. nullopt when it does not start with a quoted,
// non-empty URL followed by a comma or nothing.
struct OpenUrlItem {
  std::string url;
  std::string rest;  // what follows the closing quote
};
std::optional<OpenUrlItem> parse_open_url_item(std::string_view item);

// A "WWW_GetWindowInfo" item: the window id in hexadecimal digits (1 to 8,
// either case, no prefix).
std::optional<uint32_t> parse_window_id_item(std::string_view item);

// The service a registration item names: "WWW_RegisterURLEcho" sends
// dq NAME dq, "WWW_RegisterWindowChange" dq NAME dq "," id. nullopt when it
// does not start with a quoted, non-empty name.
std::optional<std::string> registered_service(std::string_view item);

// The "WWW_GetWindowInfo" reply: dq url dq "," dq title dq.
std::string window_info_text(std::string_view url, std::string_view title);

// The "WWW_ListWindows" reply: the window id, then 0, as little-endian u32s.
std::vector<uint8_t> list_windows_reply();
// A u32 reply (the window id of "WWW_OpenURL"), little-endian.
std::vector<uint8_t> u32_reply(uint32_t value);

// What the browser pokes to "ZKAPP" after opening url. Ordinarily item and
// data are the same four fields, dq url dq "," dq "text/html" dq ",1," dq dq.
// Flooded, both carry 14 fields, and two of the data's are longer than 255
// characters. The item always stays within kMaxItem with all its fields: a
// long URL is shortened in it (never in the data).
struct UrlEcho {
  std::string item;
  std::string data;
};
UrlEcho url_echo(std::string_view url, bool flood);

// The lengths of the two long fields of a flooded echo's data.
constexpr std::size_t kFloodLongField = 300;
constexpr std::size_t kFloodLongerField = 1000;

}  // namespace browser
