// The front end's command line: the flags "icon" (start minimised) and
// "verbose" (button labels in the title), given as /flag or -flag in any
// case. Other words (a file name, other flags) are left alone.
#pragma once

#include <string>

namespace surfdeck {

struct CommandLine {
  bool icon = false;
  bool verbose = false;
};

// iconFlag and verboseFlag are the flag names of the string table.
CommandLine parseCommandLine(const std::string& text, const std::string& iconFlag,
                             const std::string& verboseFlag);

}  // namespace surfdeck
