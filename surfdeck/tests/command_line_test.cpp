#include "surfdeck/command_line.h"

#include <gtest/gtest.h>

namespace surfdeck {
namespace {

TEST(CommandLine, FlagsInAnyCaseWithEitherPrefix) {
  struct Case {
    const char* text;
    bool icon;
    bool verbose;
  } cases[] = {
      {"", false, false},
      {"/icon", true, false},
      {"-VERBOSE", false, true},
      {"/Icon /verbose", true, true},
      {"  /verbose\t-icon  ", true, true},
      {"icon verbose", false, false},            // words without a prefix are file names
      {"/iconic /verb", false, false},           // whole words only
      {"\"C:\\My Pages\\a.htm\" /icon", true, false},
      {"\"/verbose\"", false, true},             // quotes do not hide a flag
      {"/ -", false, false},
  };
  for (const Case& c : cases) {
    const CommandLine line = parseCommandLine(c.text, "icon", "verbose");
    EXPECT_EQ(line.icon, c.icon) << c.text;
    EXPECT_EQ(line.verbose, c.verbose) << c.text;
  }
}

TEST(CommandLine, EmptyFlagNamesMatchNothing) {
  const CommandLine line = parseCommandLine("/ /icon", "", "");
  EXPECT_FALSE(line.icon);
  EXPECT_FALSE(line.verbose);
}

}  // namespace
}  // namespace surfdeck
