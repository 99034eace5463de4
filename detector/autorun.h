// A data disc's "autorun.inf": the command its [AutoRun] section names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace detector {

// Larger files are refused as a whole.
inline constexpr std::size_t kMaxAutorunFile = 64 * 1024;

// The value of the first line of the first [AutoRun] section (name matched
// without regard to case): the text after its first '=', leading blanks
// skipped, trailing blanks and the line end dropped. Blank lines and ';'
// comments are not lines of the section. nullopt when the text is too
// large, there is no such section, it is empty, its first line has no '='
// or an empty value, or a value holding a NUL.
std::optional<std::string> autorun_value(std::string_view inf_text);

// The command to start: the value as it is when its second character is
// ':', else "<letter>:\<value>". nullopt when longer than kMaxCommandLine,
// empty, holding a NUL, or when a drive is needed and letter is none.
std::optional<std::string> autorun_command(std::string_view value, char letter);

}  // namespace detector
