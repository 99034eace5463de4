// The test browser's log: one line per event, "<event> name=value ...".
// Text values are written in double quotes with the backslash, the double
// quote and every byte outside 0x20-0x7E as \xHH, so a reader gets back the
// exact bytes (a DDE item, a URL); numbers are written bare.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace browser {

std::string escape(std::string_view bytes);
// nullopt when an escape is not \x and two hexadecimal digits.
std::optional<std::string> unescape(std::string_view text);

// Builds one line.
class LogLine {
 public:
  explicit LogLine(std::string_view event) : line_(event) {}
  LogLine& text(std::string_view name, std::string_view bytes);
  LogLine& number(std::string_view name, long long value);
  // 0x-prefixed lower-case hexadecimal.
  LogLine& hex(std::string_view name, uint64_t value);
  // Without its line end.
  const std::string& str() const { return line_; }

 private:
  std::string line_;
};

struct LogField {
  std::string name;
  std::string value;  // unescaped
};

struct LogEntry {
  std::string event;
  std::vector<LogField> fields;
  std::string line;  // as read, for a failing test's message

  // The value of the first field so named, or nullptr.
  const std::string* find(std::string_view name) const;
  // Its value, "" when absent.
  std::string get(std::string_view name) const;
  // Its value read as a decimal or 0x-prefixed number, fallback when absent
  // or not a number.
  long long number(std::string_view name, long long fallback = -1) const;
  bool has(std::string_view name, std::string_view value) const {
    const std::string* v = find(name);
    return v && *v == value;
  }
};

// nullopt for a line that is not "event name=value ...".
std::optional<LogEntry> parse_log_line(std::string_view line);

}  // namespace browser
