// URL splitting in the manner of the classic hypertext library: a name is
// cut into access scheme, host, path and anchor, and the parts asked for are
// put together again, missing ones taken from a related name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qem {

// Parts for HTParse, combined with |.
constexpr int PARSE_ACCESS = 16;
constexpr int PARSE_HOST = 8;
constexpr int PARSE_PATH = 4;
constexpr int PARSE_ANCHOR = 2;
constexpr int PARSE_PUNCTUATION = 1;
constexpr int PARSE_ALL = 31;

// Splitting rules: the access scheme runs up to the first ':' that comes
// before any '/' or '#'; the anchor follows the last '#'; "//" starts the
// host, which runs to the next '/'; a path starting with '/' is absolute,
// any other is relative.
//
// Each part asked for comes from name, or from related where name lacks it
// (nothing is inherited from a related name of another scheme, and no path
// or anchor from one of another host). Punctuation, when asked for: ':'
// after the access, "//" before the host, '/' before an absolute path, '#'
// before the anchor. A relative path is resolved against the related
// absolute path, or the root of a related host that has none ("." and ".."
// segments removed); with no path anywhere the path part is "/".
//
// nullopt only when memory runs out (reported to the debugger output).
std::optional<std::string> HTParse(std::string_view name, std::string_view related, int parts);

}  // namespace qem
