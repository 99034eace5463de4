// The URL parser and HTParse on arbitrary bytes: the first line is the name,
// the rest the related name.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "qemliv32/HTTP/htparse.h"
#include "qemliv32/HTTP/qem_url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), data ? size : 0);
  std::size_t nl = input.find('\n');
  std::string_view name = input.substr(0, nl);
  std::string_view related = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

  qem::QemUrlResult r = qem::parse_qem_url(name);
  if (r.error == qem::QemUrlError::none) {
    // The path comes from the text itself, grown only by the drive colon.
    if (r.url.path.size() > name.size() + 1 || r.url.host.size() > name.size()) __builtin_trap();
  } else if (r.error == qem::QemUrlError::bad_port && r.url.port != qem::kDefaultQemPort) {
    __builtin_trap();
  }
  for (int parts = 0; parts <= qem::PARSE_ALL; parts += 5) {
    auto out = qem::HTParse(name, related, parts);
    if (!out || out->size() > name.size() + related.size() + 8) __builtin_trap();
  }
  return 0;
}
