#include "qemliv32/win32/engine_flag.h"

#include <atomic>

namespace qem {

namespace {
std::atomic<bool> engine_flag{false};
}

bool set_engine_flag() {
  bool expected = false;
  return engine_flag.compare_exchange_strong(expected, true);
}

void clear_engine_flag() { engine_flag = false; }

bool engine_exists() { return engine_flag; }

}  // namespace qem
