#include "detector/autorun.h"

#include <gtest/gtest.h>

#include "detector/play_command.h"

namespace detector {
namespace {

TEST(Autorun, FirstLineOfTheSection) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<std::string> expected;
  } cases[] = {
      {"plain", "[AutoRun]\nopen=setup.exe /s\n", "setup.exe /s"},
      {"CRLF", "[AutoRun]\r\nopen=setup.exe /s\r\nicon=x.ico\r\n", "setup.exe /s"},
      {"no final line end", "[AutoRun]\nopen=run.exe", "run.exe"},
      {"section name case", "[autorun]\nopen=a.exe\n", "a.exe"},
      {"section name in capitals", "[AUTORUN]\nopen=a.exe\n", "a.exe"},
      {"blanks around the value", "[AutoRun]\nopen =  \t a.exe /x  \t\n", "a.exe /x"},
      {"the first line wins, whatever its key", "[AutoRun]\nicon=disc.ico\nopen=a.exe\n", "disc.ico"},
      {"split at the first =", "[AutoRun]\nopen=a.exe /opt=1\n", "a.exe /opt=1"},
      {"comments and blank lines skipped", "; disc\n\n[AutoRun]\n\n; what runs\n   \nopen=a.exe\n", "a.exe"},
      {"other sections before", "[Info]\nopen=no.exe\n[AutoRun]\nopen=yes.exe\n", "yes.exe"},
      {"indented lines", "  [AutoRun]  \n   open=a.exe\n", "a.exe"},
      {"only the first AutoRun section", "[AutoRun]\n[AutoRun]\nopen=a.exe\n", std::nullopt},
      {"first line without =", "[AutoRun]\nsetup.exe\nopen=a.exe\n", std::nullopt},
      {"empty value", "[AutoRun]\nopen=   \n", std::nullopt},
      {"empty section", "[AutoRun]\n\n[Other]\nopen=a.exe\n", std::nullopt},
      {"empty section at the end", "[AutoRun]\n; nothing\n", std::nullopt},
      {"missing section", "[AutoRunX]\nopen=a.exe\n", std::nullopt},
      {"no section at all", "open=a.exe\n", std::nullopt},
      {"empty file", "", std::nullopt},
      {"NUL in the value", std::string("[AutoRun]\nopen=a\0b.exe\n", 22), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(autorun_value(c.text), c.expected) << c.name;
}

TEST(Autorun, FileSizeBound) {
  std::string text = "[AutoRun]\nopen=a.exe\n";
  text.resize(kMaxAutorunFile, ';');
  EXPECT_EQ(autorun_value(text), "a.exe") << "largest file read";
  text.push_back('\n');
  EXPECT_EQ(autorun_value(text), std::nullopt) << "one byte more is refused";
}

TEST(Autorun, Command) {
  const std::string longest(kMaxCommandLine - 3, 'a');
  struct Case {
    std::string value;
    std::optional<std::string> expected;
  } cases[] = {
      {"setup.exe /s", "E:\\setup.exe /s"},
      {"C:\\x.exe", "C:\\x.exe"},
      {"d:", "d:"},
      {"sub\\run.exe", "E:\\sub\\run.exe"},
      {"", std::nullopt},
      {longest, "E:\\" + longest},
      {longest + "a", std::nullopt},
      {"C:" + std::string(kMaxCommandLine - 1, 'b'), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(autorun_command(c.value, 'E'), c.expected) << c.value.substr(0, 40);
  EXPECT_EQ(autorun_command("setup.exe", '\0'), std::nullopt) << "no drive to prefix";
  EXPECT_EQ(autorun_command("C:\\x.exe", '\0'), "C:\\x.exe");
}

TEST(Autorun, DiscToCommand) {
  const auto value = autorun_value("[autorun]\r\nopen=setup.exe /s\r\n");
  ASSERT_TRUE(value);
  EXPECT_EQ(autorun_command(*value, 'E'), "E:\\setup.exe /s");
  EXPECT_EQ(installer_command(autorun_command(*value, 'E'), true, true, 'E'), "E:\\setup.exe /s");
}

}  // namespace
}  // namespace detector
