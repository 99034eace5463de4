// How the test browser is told what to be: switches on its command line,
// or, when it is started with none (as the web front end starts browsers),
// the [browser] section of an INI file beside it named after the program
// (netscape.exe reads netscape.ini).
//
//   /service:NAME      DDE service name (default IEXPLORE); NETSCAPE gets the
//                      Navigator windows, any other name the Explorer ones
//   /log:PATH          the log (default: beside the program, <name>.log)
//   /flood             echoes with more than 10 fields and fields over 255
//   /answer-after:MS   register the service only MS after start
//   /refuse            never register the service
//   /slow-start:MS     sleep MS before the message loop starts
//
// INI keys: service, log, flood, answer-after, refuse, slow-start (flags as
// 1/0, yes/no, true/false).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace browser {

enum class Layout { explorer, navigator };

struct Config {
  std::string service = "IEXPLORE";
  std::string log;  // empty: beside the program
  bool flood = false;
  uint32_t answer_after_ms = 0;
  bool refuse = false;
  uint32_t slow_start_ms = 0;

  Layout layout() const;
};

// Longest DDE service name (a string handle's limit).
constexpr std::size_t kMaxServiceName = 255;
// Longest delay a switch may ask for.
constexpr uint32_t kMaxDelayMs = 600000;

struct ConfigResult {
  Config config;
  std::string error;  // empty when the configuration was read
  bool ok() const { return error.empty(); }
};

// The arguments of a command line after the program's own name: split at
// blanks outside double quotes, the quotes removed.
std::vector<std::string> command_arguments(std::string_view command_line);

ConfigResult config_from_arguments(const std::vector<std::string>& arguments);
// The [browser] section of an INI file's text; ';' starts a comment line.
ConfigResult config_from_ini(std::string_view text);

// "C:\b\netscape.exe", ".ini" -> "C:\b\netscape.ini" (the extension, if
// any, replaced).
std::string beside_program(std::string_view program_path, std::string_view extension);

}  // namespace browser
