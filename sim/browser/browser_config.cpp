#include "sim/browser/browser_config.h"

#include <optional>

namespace browser {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::optional<uint32_t> delay(std::string_view text) {
  if (text.empty() || text.size() > 7) return std::nullopt;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  if (n > kMaxDelayMs) return std::nullopt;
  return n;
}

// A flag's value; a bare switch (no value) is on.
std::optional<bool> flag(std::optional<std::string_view> text) {
  if (!text) return true;
  for (const char* on : {"1", "yes", "true", "on"})
    if (same_name(*text, on)) return true;
  for (const char* off : {"0", "no", "false", "off"})
    if (same_name(*text, off)) return false;
  return std::nullopt;
}

// Sets one setting by name; an error text when the name or value is wrong.
std::string apply(Config& config, std::string_view name, std::optional<std::string_view> value) {
  const std::string what(name);
  if (same_name(name, "service")) {
    if (!value || value->empty() || value->size() > kMaxServiceName ||
        value->find('\0') != std::string_view::npos)
      return "bad service name";
    config.service = std::string(*value);
  } else if (same_name(name, "log")) {
    if (!value || value->empty()) return "log needs a path";
    config.log = std::string(*value);
  } else if (same_name(name, "flood") || same_name(name, "refuse")) {
    const std::optional<bool> on = flag(value);
    if (!on) return "bad value of " + what;
    (same_name(name, "flood") ? config.flood : config.refuse) = *on;
  } else if (same_name(name, "answer-after") || same_name(name, "slow-start")) {
    const std::optional<uint32_t> ms = value ? delay(*value) : std::nullopt;
    if (!ms) return what + " needs milliseconds up to " + std::to_string(kMaxDelayMs);
    (same_name(name, "answer-after") ? config.answer_after_ms : config.slow_start_ms) = *ms;
  } else {
    return "unknown setting " + what;
  }
  return std::string();
}

}  // namespace

Layout Config::layout() const {
  return same_name(service, "NETSCAPE") ? Layout::navigator : Layout::explorer;
}

std::vector<std::string> command_arguments(std::string_view command_line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool in_word = false;
  for (char c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  if (!words.empty()) words.erase(words.begin());
  return words;
}

ConfigResult config_from_arguments(const std::vector<std::string>& arguments) {
  ConfigResult result;
  for (const std::string& argument : arguments) {
    std::string_view text(argument);
    if (text.empty() || (text.front() != '/' && text.front() != '-')) {
      result.error = "not a switch: " + argument;
      return result;
    }
    text.remove_prefix(1);
    const std::size_t colon = text.find(':');
    std::optional<std::string_view> value;
    if (colon != std::string_view::npos) value = text.substr(colon + 1);
    result.error = apply(result.config, text.substr(0, colon), value);
    if (!result.ok()) return result;
  }
  return result;
}

ConfigResult config_from_ini(std::string_view text) {
  ConfigResult result;
  bool in_section = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      in_section =
          close != std::string_view::npos && same_name(line.substr(1, close - 1), "browser");
      continue;
    }
    if (!in_section) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      result.error = "not a setting: " + std::string(line);
      return result;
    }
    result.error =
        apply(result.config, trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
    if (!result.ok()) return result;
  }
  return result;
}

std::string beside_program(std::string_view program_path, std::string_view extension) {
  const std::size_t slash = program_path.find_last_of("\\/");
  const std::size_t dot = program_path.find_last_of('.');
  std::string_view stem = program_path;
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
    stem = program_path.substr(0, dot);
  return std::string(stem) + std::string(extension);
}

}  // namespace browser
