// A script file's bytes: the URL taken from them, then parsed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "qemliv32/HTTP/qem_url.h"
#include "qemliv32/script_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view contents(reinterpret_cast<const char*>(data), data ? size : 0);
  std::string url = qem::script_url(contents);
  if (url.size() > qem::kMaxScriptLine || url.find('\0') != std::string::npos) __builtin_trap();
  // What Save writes reads back as the same URL.
  if (qem::script_url(qem::script_contents(url)) != url && url.find('\n') == std::string::npos)
    __builtin_trap();
  qem::parse_qem_url(url);
  return 0;
}
