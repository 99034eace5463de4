#include "detector/launcher.h"

#include "common/profile.h"
#include "detector/keys.h"
#include "detector/play_command.h"

namespace detector {

void Launcher::set_entries(std::vector<std::string> descriptions) {
  if (descriptions.size() > static_cast<std::size_t>(kMaxLaunchEntries)) descriptions.resize(kMaxLaunchEntries);
  lines_ = std::move(descriptions);
  rects_.clear();
  selected_ = 0;
}

std::string Launcher::line_text(int index) const {
  if (index < 0 || index >= count()) return std::string();
  return std::to_string(index + 1) + "." + lines_[index];
}

void Launcher::layout(const FontMetrics& font) {
  rects_.clear();
  int top = kFirstLineTop;
  for (int i = 0; i < count(); ++i) {
    Rect r;
    r.left = font.max_char_width;
    r.top = top;
    r.right = r.left + static_cast<int>(line_text(i).size() + 1) * font.max_char_width;
    r.bottom = top + font.height;
    rects_.push_back(r);
    top += font.height + font.external_leading;
  }
}

Rect Launcher::rect(int index) const {
  if (index < 0 || index >= static_cast<int>(rects_.size())) return Rect{};
  return rects_[index];
}

int Launcher::hit(int x, int y) const {
  for (int i = 0; i < static_cast<int>(rects_.size()); ++i)
    if (rects_[i].contains(x, y)) return i;
  return -1;
}

bool Launcher::select(int index) {
  if (index < 0 || index >= count() || index == selected_) return false;
  selected_ = index;
  return true;
}

static std::string app_key(int index) { return std::string(kLaunchKey) + "\\App" + std::to_string(index); }

std::vector<std::string> read_launcher_lines(halvo::Registry& user) {
  std::vector<std::string> lines;
  for (int i = 0; i < kMaxLaunchEntries; ++i) {
    std::optional<std::string> description = user.read_string(app_key(i), "Description");
    if (!description) break;
    lines.push_back(std::move(*description));
  }
  return lines;
}

std::optional<EntryCommand> enter_command(halvo::Registry& user, int index) {
  if (index < 0 || index >= kMaxLaunchEntries) return std::nullopt;
  std::optional<std::string> program = user.read_string(app_key(index), "Command line");
  const std::optional<std::string> parameters = user.read_string(app_key(index), "Parameters");
  if (!program || !parameters) return std::nullopt;
  EntryCommand c;
  c.command_line = *program + " " + *parameters;
  c.program = std::move(*program);
  if (c.command_line.size() > kMaxCommandLine) return std::nullopt;
  return c;
}

std::optional<EntryCommand> double_click_command(halvo::Registry& user, int index) {
  if (index < 0 || index >= kMaxLaunchEntries) return std::nullopt;
  std::optional<std::string> program = user.read_string(app_key(index), "Command line");
  if (!program || program->size() > kMaxCommandLine) return std::nullopt;
  EntryCommand c;
  c.command_line = *program;
  c.program = std::move(*program);
  return c;
}

bool is_entry_program(const std::string& exe_file, const std::string& program) {
  return !program.empty() && halvo::equal_ignore_case(exe_file, program);
}

}  // namespace detector
