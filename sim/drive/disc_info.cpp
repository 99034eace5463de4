#include "sim/drive/disc_info.h"

#include <cstdio>

namespace vdrive {
namespace {

std::string trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// Decimal digits only, at most high.
bool parse_decimal(const std::string& text, unsigned high, unsigned& value) {
  if (text.empty() || text.size() > 5) return false;
  unsigned result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<unsigned>(c - '0');
  }
  if (result > high) return false;
  value = result;
  return true;
}

}  // namespace

bool parse_duration(const std::string& text, uint32_t& ms) {
  std::string t = trimmed(text);
  std::size_t dot = t.find('.');
  std::string whole = t.substr(0, dot);
  uint32_t fraction = 0;
  if (dot != std::string::npos) {
    std::string digits = t.substr(dot + 1);
    unsigned value = 0;
    if (digits.empty() || digits.size() > 3 || !parse_decimal(digits, 999, value)) return false;
    for (std::size_t i = digits.size(); i < 3; ++i) value *= 10;
    fraction = value;
  }
  // Up to three fields, the last the seconds.
  unsigned fields[3] = {0, 0, 0};
  int count = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t colon = whole.find(':', start);
    std::string item = whole.substr(start, colon == std::string::npos ? colon : colon - start);
    unsigned value = 0;
    if (count == 3 || item.empty() || item.size() > 5 || !parse_decimal(item, 99999, value)) {
      return false;
    }
    fields[count++] = value;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  uint64_t seconds = 0;
  for (int i = 0; i < count; ++i) {
    // Every field but the first counts below 60.
    if (i > 0 && fields[i] >= 60) return false;
    seconds = seconds * 60 + fields[i];
  }
  uint64_t total = seconds * 1000 + fraction;
  if (total > kMaxDurationMs) return false;
  ms = static_cast<uint32_t>(total);
  return true;
}

std::string format_duration(uint32_t ms) {
  unsigned seconds = ms / 1000 % 60, minutes = ms / 60000 % 60, hours = ms / 3600000;
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%u:%02u:%02u", hours, minutes, seconds);
  } else {
    std::snprintf(text, sizeof text, "%u:%02u", minutes, seconds);
  }
  std::string result = text;
  if (ms % 1000 != 0) {
    std::snprintf(text, sizeof text, ".%03u", ms % 1000);
    result += text;
  }
  return result;
}

bool parse_disc_type(const std::string& text, uint8_t& type) {
  unsigned value = 0;
  if (!parse_decimal(trimmed(text), 15, value)) return false;
  type = static_cast<uint8_t>(value);
  return true;
}

bool parse_track_lengths(const std::string& text, std::vector<unsigned>& seconds,
                         std::string& error) {
  seconds.clear();
  if (trimmed(text).empty()) return true;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    std::size_t count = comma == std::string::npos ? comma : comma - start;
    std::string item = trimmed(text.substr(start, count));
    unsigned length = 0;
    if (!parse_decimal(item, kMaxTrackSeconds, length) || length == 0) {
      error = "track length '" + item + "' is not 1 to " + std::to_string(kMaxTrackSeconds) +
              " seconds";
      seconds.clear();
      return false;
    }
    if (seconds.size() == kMaxTracks) {
      error = "more than " + std::to_string(kMaxTracks) + " tracks";
      seconds.clear();
      return false;
    }
    seconds.push_back(length);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

}  // namespace vdrive
