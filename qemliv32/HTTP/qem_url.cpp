#include "qemliv32/HTTP/qem_url.h"

#include <new>

#include "qemliv32/HTTP/htparse.h"
#include "qemliv32/HTTP/htstring.h"

namespace qem {
namespace {

bool parse_port(std::string_view digits, uint16_t& port) {
  if (digits.empty() || digits.size() > 5) return false;
  uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

QemUrlResult parse(std::string_view text) {
  QemUrlResult r;
  auto access = HTParse(text, "", PARSE_ACCESS);
  auto host = HTParse(text, "", PARSE_HOST);
  // The path is taken with its leading '/', which the server expects.
  auto path = HTParse(text, "", PARSE_PATH | PARSE_PUNCTUATION);
  if (!access || !host || !path) {
    r.error = QemUrlError::out_of_memory;
    return r;
  }
  if (strcasecomp(*access, "qem") != 0) {
    r.error = QemUrlError::not_qem;
    return r;
  }

  std::size_t colon = host->find(':');
  if (colon != std::string::npos) {
    if (!parse_port(std::string_view(*host).substr(colon + 1), r.url.port)) {
      r.error = QemUrlError::bad_port;
      return r;
    }
    host->erase(colon);
  }
  r.url.host = std::move(*host);

  // "/c|/clips/a.avi" names drive c: "/c:\/clips/a.avi".
  std::size_t bar = path->find('|');
  if (bar != std::string::npos) path->replace(bar, 1, ":\\");
  if (*path == "/") path->clear();
  r.url.path = std::move(*path);
  return r;
}

}  // namespace

QemUrlResult parse_qem_url(std::string_view text) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  try {
    return parse(text);
  } catch (const std::bad_alloc&) {
    report_out_of_memory("htparse", "HTParse");
    QemUrlResult r;
    r.error = QemUrlError::out_of_memory;
    return r;
  }
}

const char* qem_url_error_name(QemUrlError error) {
  switch (error) {
    case QemUrlError::none: return "no error";
    case QemUrlError::not_qem: return "not a qem:// URL";
    case QemUrlError::bad_port: return "bad port";
    case QemUrlError::out_of_memory: return "out of memory";
  }
  return "unknown error";
}

}  // namespace qem
