// The texts the test browser reads from outside: DDE items, its INI file
// and command line, and its own log lines as the tests read them back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/browser/browser_config.h"
#include "sim/browser/dde_text.h"
#include "sim/browser/log_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto item = browser::parse_open_url_item(text)) browser::url_echo(item->url, true);
  browser::parse_window_id_item(text);
  browser::registered_service(text);
  browser::config_from_ini(text);
  browser::config_from_arguments(browser::command_arguments(text));
  if (const auto entry = browser::parse_log_line(text)) entry->number("t");
  browser::unescape(text);
  return 0;
}
