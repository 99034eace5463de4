// "qem://" host [":" port] path: the stream address of a script file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qem {

constexpr uint16_t kDefaultQemPort = 7000;

struct QemUrl {
  std::string host;  // may be empty, which the transport takes as "localhost"
  uint16_t port = kDefaultQemPort;
  std::string path;  // as sent in OPEN: "|" made a drive colon, "/" alone made empty
};

enum class QemUrlError {
  none,
  not_qem,        // the scheme is missing or not "qem" (in any case)
  bad_port,       // the port is empty, not decimal digits, or outside 1-65535
  out_of_memory,  // reported to the debugger output as well
};

struct QemUrlResult {
  QemUrlError error = QemUrlError::none;
  QemUrl url;
};

// Text from a zero byte on is ignored, as a C string would end there.
QemUrlResult parse_qem_url(std::string_view text);

// A short English name of the error, for traces and test messages.
const char* qem_url_error_name(QemUrlError error);

}  // namespace qem
