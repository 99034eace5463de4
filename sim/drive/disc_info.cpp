#include "sim/drive/disc_info.h"

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
