#include "detector/autorun.h"

#include "common/profile.h"
#include "detector/play_command.h"

namespace detector {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && (is_blank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (is_blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> section_name(std::string_view line) {
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

}  // namespace

std::optional<std::string> autorun_value(std::string_view inf_text) {
  if (inf_text.size() > kMaxAutorunFile) return std::nullopt;

  bool in_section = false;
  std::size_t start = 0;
  while (start < inf_text.size()) {
    std::size_t end = inf_text.find('\n', start);
    if (end == std::string_view::npos) end = inf_text.size();
    const std::string_view line = trim(inf_text.substr(start, end - start));
    start = end + 1;

    if (line.empty() || line.front() == ';') continue;
    const std::optional<std::string_view> name = section_name(line);
    if (!in_section) {
      in_section = name && halvo::equal_ignore_case(*name, "AutoRun");
      continue;
    }
    // The first line of the section decides; another section means it was empty.
    if (name) return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view value = trim(line.substr(eq + 1));
    if (value.empty() || value.find('\0') != std::string_view::npos) return std::nullopt;
    return std::string(value);
  }
  return std::nullopt;
}

std::optional<std::string> autorun_command(std::string_view value, char letter) {
  if (value.empty() || value.find('\0') != std::string_view::npos) return std::nullopt;
  std::string command;
  if (value.size() >= 2 && value[1] == ':') {
    command.assign(value);
  } else {
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return std::nullopt;
    command = std::string(1, letter) + ":\\";
    command.append(value);
  }
  if (command.size() > kMaxCommandLine) return std::nullopt;
  return command;
}

}  // namespace detector
