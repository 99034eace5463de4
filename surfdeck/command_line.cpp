#include "surfdeck/command_line.h"

#include <cctype>
#include <vector>

namespace surfdeck {

namespace {

// Words separated by blanks; a quoted part keeps its blanks.
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::string word;
  bool quoted = false;
  bool any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any) result.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) result.push_back(word);
  return result;
}

bool sameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

CommandLine parseCommandLine(const std::string& text, const std::string& iconFlag,
                             const std::string& verboseFlag) {
  CommandLine line;
  for (const std::string& word : words(text)) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) continue;
    const std::string flag = word.substr(1);
    if (sameText(flag, iconFlag)) line.icon = true;
    if (sameText(flag, verboseFlag)) line.verbose = true;
  }
  return line;
}

}  // namespace surfdeck
