#include "sim/browser/dde_text.h"

namespace browser {
namespace {

// The quoted text at the start of text, and what follows its closing quote.
std::optional<std::pair<std::string_view, std::string_view>> leading_quoted(std::string_view text) {
  if (text.size() < 2 || text.front() != '"') return std::nullopt;
  const std::size_t close = text.find('"', 1);
  if (close == std::string_view::npos || close == 1) return std::nullopt;
  return std::make_pair(text.substr(1, close - 1), text.substr(close + 1));
}

// dq url dq tail, the URL shortened so that the whole stays within
// kMaxItem and every field of tail is kept.
std::string echo_item(std::string_view url, const std::string& tail) {
  const std::size_t room = kMaxItem - 2 - tail.size();
  return "\"" + std::string(url.substr(0, room)) + "\"" + tail;
}

}  // namespace

std::optional<OpenUrlItem> parse_open_url_item(std::string_view item) {
  const auto quoted = leading_quoted(item);
  if (!quoted || (!quoted->second.empty() && quoted->second.front() != ',')) return std::nullopt;
  return OpenUrlItem{std::string(quoted->first), std::string(quoted->second)};
}

std::optional<uint32_t> parse_window_id_item(std::string_view item) {
  if (item.empty() || item.size() > 8) return std::nullopt;
  uint32_t id = 0;
  for (char c : item) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    id = id * 16 + static_cast<uint32_t>(digit);
  }
  return id;
}

std::optional<std::string> registered_service(std::string_view item) {
  const auto quoted = leading_quoted(item);
  if (!quoted) return std::nullopt;
  return std::string(quoted->first);
}

std::string window_info_text(std::string_view url, std::string_view title) {
  std::string text = "\"";
  text += url;
  text += "\",\"";
  text += title;
  text += '"';
  return text;
}

std::vector<uint8_t> u32_reply(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> list_windows_reply() {
  std::vector<uint8_t> reply = u32_reply(kWindowId);
  const std::vector<uint8_t> end = u32_reply(0);
  reply.insert(reply.end(), end.begin(), end.end());
  return reply;
}

UrlEcho url_echo(std::string_view url, bool flood) {
  const std::string tail = ",\"text/html\",1,\"\"";
  const std::string whole = "\"" + std::string(url) + "\"" + tail;
  if (!flood) return UrlEcho{echo_item(url, tail), whole};
  // Fields 5 to 14: their numbers in the item; in the data two of them are
  // long.
  std::string item_tail = tail;
  std::string data = whole;
  for (int field = 5; field <= 14; ++field) {
    const std::string number = std::to_string(field);
    item_tail += "," + number;
    if (field == 6)
      data += "," + std::string(kFloodLongField, 'L');
    else if (field == 12)
      data += "," + std::string(kFloodLongerField, 'M');
    else
      data += "," + number;
  }
  return UrlEcho{echo_item(url, item_tail), data};
}

}  // namespace browser
