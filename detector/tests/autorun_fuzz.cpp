// Fuzzes autorun.inf reading: the section's first value and the command
// built from it for a drive, and the mixed-mode installer fallback.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "detector/autorun.h"
#include "detector/play_command.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "autorun_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace detector;
  const std::string_view text(size == 0 ? "" : reinterpret_cast<const char*>(data), size);

  const std::optional<std::string> value = autorun_value(text);
  if (size > kMaxAutorunFile) check(!value);
  if (value) {
    // A value is a trimmed piece of one line of the input.
    check(!value->empty() && value->size() < size);
    check(text.find(*value) != std::string_view::npos);
    check(value->find('\n') == std::string::npos && value->find('\0') == std::string::npos);
    check(!is_blank(value->front()) && !is_blank(value->back()));
  }

  const char letter = static_cast<char>('A' + (size % 26));
  const std::string_view raw = text.substr(0, 2 * kMaxCommandLine);
  for (const std::string_view v : {value ? std::string_view(*value) : std::string_view(), raw}) {
    const std::optional<std::string> command = autorun_command(v, letter);
    if (!command) continue;
    check(command->size() <= kMaxCommandLine);
    check(command->find('\0') == std::string::npos);
    if (v.size() >= 2 && v[1] == ':')
      check(*command == v);
    else
      check(command->size() == v.size() + 3 && (*command)[0] == letter && command->compare(1, 2, ":\\") == 0 &&
            command->compare(3, std::string::npos, v) == 0);
    check(installer_command(command, size & 1, size & 2, letter) == command);
  }

  // The same bytes as a play command: the drive ends the line when there is a '%'.
  const std::optional<std::string> play = format_play_command(raw, letter);
  if (play) {
    check(play->size() <= kMaxCommandLine);
    const std::size_t percent = raw.find('%');
    if (percent == std::string_view::npos)
      check(*play == raw);
    else
      check(play->size() == percent + 2 && play->compare(0, percent, raw.substr(0, percent)) == 0 &&
            (*play)[percent] == letter && play->back() == ':');
  }
  return 0;
}
