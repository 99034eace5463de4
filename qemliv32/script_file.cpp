#include "qemliv32/script_file.h"

#include <cstdio>

namespace qem {

std::string script_url(std::string_view contents) {
  std::string_view line = contents.substr(0, contents.find('\n'));
  line = line.substr(0, line.find('\0'));
  line = line.substr(0, kMaxScriptLine);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\f' || line.back() == '\r'))
    line.remove_suffix(1);
  return std::string(line);
}

std::string script_contents(std::string_view url) {
  std::string out(url);
  out.push_back('\0');
  return out;
}

std::optional<std::string> read_script_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  // Nothing past the first kMaxScriptLine characters can matter.
  char buf[kMaxScriptLine];
  std::size_t n = std::fread(buf, 1, sizeof buf, f);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return script_url(std::string_view(buf, n));
}

bool write_script_file(const std::string& path, std::string_view url) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::string bytes = script_contents(url);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace qem
