// The Menu launcher: up to nine numbered lines over a bitmap, one of them
// selected, each with its rectangle for the pointer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/registry.h"

namespace detector {

inline constexpr int kMaxLaunchEntries = 9;
inline constexpr int kFirstLineTop = 57;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// What the paint code measured of the launcher's font.
struct FontMetrics {
  int max_char_width = 0;
  int height = 0;
  int external_leading = 0;
};

class Launcher {
 public:
  // Lines from descriptions (at most nine are kept). The selection goes
  // back to entry 0.
  void set_entries(std::vector<std::string> descriptions);
  int count() const { return static_cast<int>(lines_.size()); }

  // "%d.%s": the number from 1 and the description.
  std::string line_text(int index) const;

  // Rectangles for a font: left edge at the widest character width, the
  // first top at 57, each next line lower by height plus external leading,
  // width (characters + 1) x widest character width, height the font's.
  void layout(const FontMetrics& font);
  Rect rect(int index) const;
  // The entry whose rectangle holds the point, or -1.
  int hit(int x, int y) const;

  int selected() const { return selected_; }
  // Selects an existing entry; false when out of range or already selected.
  bool select(int index);

 private:
  std::vector<std::string> lines_;
  std::vector<Rect> rects_;
  int selected_ = 0;
};

// Descriptions of App0, App1, ... under the Launch key, until a key or its
// "Description" is missing; at most nine.
std::vector<std::string> read_launcher_lines(halvo::Registry& user);

// What Enter and a double click start for an entry.
struct EntryCommand {
  std::string program;       // the "Command line" value, as stored
  std::string command_line;  // program, a space and "Parameters" (Enter), or program alone
};
// Enter: both values must exist; nullopt when one is missing, the entry
// does not exist (index outside 0-8) or the result is longer than
// kMaxCommandLine.
std::optional<EntryCommand> enter_command(halvo::Registry& user, int index);
// Double click: "Command line" alone.
std::optional<EntryCommand> double_click_command(halvo::Registry& user, int index);

// Whether a running process (its Toolhelp executable name) is the entry's
// program: equal to the whole "Command line" value, ignoring case.
bool is_entry_program(const std::string& exe_file, const std::string& program);

}  // namespace detector
