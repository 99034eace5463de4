#include "detector/launcher.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"
#include "detector/keys.h"
#include "detector/play_command.h"

namespace detector {
namespace {

std::string app(int n) { return std::string(kLaunchKey) + "\\App" + std::to_string(n); }

void put_app(halvo::MemoryRegistry& user, int n, const char* description, const char* command,
             const char* parameters) {
  ASSERT_TRUE(user.create_key(app(n)));
  if (description) {
    ASSERT_TRUE(user.write_string(app(n), "Description", description));
  }
  if (command) {
    ASSERT_TRUE(user.write_string(app(n), "Command line", command));
  }
  if (parameters) {
    ASSERT_TRUE(user.write_string(app(n), "Parameters", parameters));
  }
}

TEST(Launcher, LinesAndLayout) {
  Launcher l;
  l.set_entries({"Player", "Web", "Notes"});
  ASSERT_EQ(l.count(), 3);
  EXPECT_EQ(l.line_text(0), "1.Player");
  EXPECT_EQ(l.line_text(2), "3.Notes");
  EXPECT_EQ(l.line_text(3), "");
  EXPECT_EQ(l.line_text(-1), "");

  l.layout(FontMetrics{20, 30, 4});
  struct Case {
    int index;
    Rect expected;
  } cases[] = {
      {0, {20, 57, 20 + 9 * 20, 87}},    // "1.Player" and one more character
      {1, {20, 91, 20 + 6 * 20, 121}},   // next line lower by height plus leading
      {2, {20, 125, 20 + 8 * 20, 155}},
  };
  for (const Case& c : cases) {
    const Rect r = l.rect(c.index);
    EXPECT_EQ(r.left, c.expected.left) << c.index;
    EXPECT_EQ(r.top, c.expected.top) << c.index;
    EXPECT_EQ(r.right, c.expected.right) << c.index;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.index;
  }
  const Rect none = l.rect(3);
  EXPECT_EQ(none.right - none.left, 0);
}

TEST(Launcher, Hit) {
  Launcher l;
  l.set_entries({"Player", "Web", "Notes"});
  EXPECT_EQ(l.hit(25, 60), -1) << "no layout yet";
  l.layout(FontMetrics{20, 30, 4});
  struct Case {
    int x, y, expected;
  } cases[] = {
      {20, 57, 0},  {199, 86, 0}, {200, 60, -1}, {19, 60, -1}, {25, 87, -1},  // leading gap
      {25, 91, 1},  {139, 100, 1}, {140, 100, -1}, {25, 154, 2}, {25, 155, -1}, {25, 56, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(l.hit(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(Launcher, Selection) {
  Launcher l;
  l.set_entries({"a", "b", "c"});
  EXPECT_EQ(l.selected(), 0);
  EXPECT_FALSE(l.select(0)) << "already selected";
  EXPECT_TRUE(l.select(2));
  EXPECT_EQ(l.selected(), 2);
  EXPECT_FALSE(l.select(3));
  EXPECT_FALSE(l.select(-1));
  EXPECT_EQ(l.selected(), 2);
  l.set_entries({"x", "y"});
  EXPECT_EQ(l.selected(), 0) << "new entries select the first";
}

TEST(Launcher, AtMostNineEntries) {
  Launcher l;
  l.set_entries(std::vector<std::string>(12, "p"));
  EXPECT_EQ(l.count(), kMaxLaunchEntries);
  EXPECT_FALSE(l.select(9));
  EXPECT_TRUE(l.select(8));
  l.layout(FontMetrics{10, 10, 0});
  EXPECT_EQ(l.hit(15, 57 + 9 * 10 + 1), -1);
}

TEST(Launcher, ReadLines) {
  {
    halvo::MemoryRegistry user;
    EXPECT_TRUE(read_launcher_lines(user).empty()) << "no Launch key";
  }
  {
    halvo::MemoryRegistry user;
    put_app(user, 0, "First", "a.exe", "");
    put_app(user, 1, "Second", "b.exe", "");
    put_app(user, 3, "After the gap", "d.exe", "");
    EXPECT_EQ(read_launcher_lines(user), (std::vector<std::string>{"First", "Second"}));
  }
  {
    halvo::MemoryRegistry user;
    put_app(user, 0, "First", "a.exe", "");
    put_app(user, 1, nullptr, "b.exe", "");  // key without its description
    put_app(user, 2, "Third", "c.exe", "");
    EXPECT_EQ(read_launcher_lines(user), (std::vector<std::string>{"First"}));
  }
  {
    halvo::MemoryRegistry user;
    for (int n = 0; n < 12; ++n) put_app(user, n, ("P" + std::to_string(n)).c_str(), "p.exe", "");
    const auto lines = read_launcher_lines(user);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines.back(), "P8");
  }
}

TEST(Launcher, EnterAndDoubleClick) {
  halvo::MemoryRegistry user;
  put_app(user, 0, "Notes", "notepad.exe", "C:\\readme.txt");
  put_app(user, 1, "No parameters", "calc.exe", nullptr);
  put_app(user, 2, "No command", nullptr, "x");
  put_app(user, 3, "Empty parameters", "C:\\P\\p.exe", "");
  put_app(user, 4, "Too long", std::string(kMaxCommandLine - 3, 'p').c_str(), "abc");
  put_app(user, 5, "Just fits", std::string(kMaxCommandLine - 4, 'p').c_str(), "abc");

  struct Case {
    int index;
    std::optional<std::string> enter, double_click;
  } cases[] = {
      {0, "notepad.exe C:\\readme.txt", "notepad.exe"},
      {1, std::nullopt, "calc.exe"},
      {2, std::nullopt, std::nullopt},
      {3, "C:\\P\\p.exe ", "C:\\P\\p.exe"},
      {4, std::nullopt, std::string(kMaxCommandLine - 3, 'p')},
      {5, std::string(kMaxCommandLine - 4, 'p') + " abc", std::string(kMaxCommandLine - 4, 'p')},
      {6, std::nullopt, std::nullopt},
      {9, std::nullopt, std::nullopt},
      {-1, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto enter = enter_command(user, c.index);
    const auto dbl = double_click_command(user, c.index);
    EXPECT_EQ(enter ? std::optional<std::string>(enter->command_line) : std::nullopt, c.enter) << c.index;
    EXPECT_EQ(dbl ? std::optional<std::string>(dbl->command_line) : std::nullopt, c.double_click) << c.index;
    if (enter) {
      EXPECT_EQ(enter->program, dbl->program) << c.index;
    }
  }
}

TEST(Launcher, EntryNotReadPastNine) {
  halvo::MemoryRegistry user;
  put_app(user, 9, "Tenth", "ten.exe", "");
  EXPECT_EQ(enter_command(user, 9), std::nullopt);
  EXPECT_EQ(double_click_command(user, 9), std::nullopt);
}

TEST(Launcher, IsEntryProgram) {
  EXPECT_TRUE(is_entry_program("NOTEPAD.EXE", "notepad.exe"));
  EXPECT_TRUE(is_entry_program("notepad.exe", "notepad.exe"));
  EXPECT_FALSE(is_entry_program("notepad.exe", "C:\\Windows\\notepad.exe")) << "the whole value";
  EXPECT_FALSE(is_entry_program("notepad.exe", "notepad"));
  EXPECT_FALSE(is_entry_program("", ""));
}

}  // namespace
}  // namespace detector
