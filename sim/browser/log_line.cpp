#include "sim/browser/log_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace browser {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_';
}

}  // namespace

std::string escape(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b > 0x7E || c == '\\' || c == '"') {
      out += "\\x";
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (text.size() - i < 4 || text[i + 1] != 'x') return std::nullopt;
    const int high = hex_digit(text[i + 2]);
    const int low = hex_digit(text[i + 3]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return out;
}

LogLine& LogLine::text(std::string_view name, std::string_view bytes) {
  line_ += ' ';
  line_ += name;
  line_ += "=\"";
  line_ += escape(bytes);
  line_ += '"';
  return *this;
}

LogLine& LogLine::number(std::string_view name, long long value) {
  line_ += ' ';
  line_ += name;
  line_ += '=';
  line_ += std::to_string(value);
  return *this;
}

LogLine& LogLine::hex(std::string_view name, uint64_t value) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "0x%llx", static_cast<unsigned long long>(value));
  line_ += ' ';
  line_ += name;
  line_ += '=';
  line_ += digits;
  return *this;
}

const std::string* LogEntry::find(std::string_view name) const {
  for (const LogField& f : fields)
    if (f.name == name) return &f.value;
  return nullptr;
}

std::string LogEntry::get(std::string_view name) const {
  const std::string* v = find(name);
  return v ? *v : std::string();
}

long long LogEntry::number(std::string_view name, long long fallback) const {
  const std::string* v = find(name);
  if (!v || v->empty()) return fallback;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(v->c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return fallback;
  return n;
}

std::optional<LogEntry> parse_log_line(std::string_view line) {
  LogEntry entry;
  entry.line = std::string(line);
  std::size_t i = 0;
  while (i < line.size() && is_name_char(line[i])) ++i;
  if (i == 0) return std::nullopt;
  entry.event = std::string(line.substr(0, i));
  while (i < line.size()) {
    if (line[i] != ' ') return std::nullopt;
    ++i;
    const std::size_t name_start = i;
    while (i < line.size() && is_name_char(line[i])) ++i;
    if (i == name_start || i >= line.size() || line[i] != '=') return std::nullopt;
    LogField field;
    field.name = std::string(line.substr(name_start, i - name_start));
    ++i;
    if (i < line.size() && line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      std::optional<std::string> value = unescape(line.substr(i + 1, close - i - 1));
      if (!value) return std::nullopt;
      field.value = std::move(*value);
      i = close + 1;
    } else {
      const std::size_t value_start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '"') ++i;
      field.value = std::string(line.substr(value_start, i - value_start));
    }
    entry.fields.push_back(std::move(field));
  }
  return entry;
}

}  // namespace browser
