#include "qemliv32/HTTP/htstring.h"

#include <new>

namespace qem {
namespace {

DebugOutput g_debug_output = nullptr;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void set_debug_output(DebugOutput out) { g_debug_output = out; }

void report_out_of_memory(const char* module, const char* function) {
  if (!g_debug_output) return;
  // Built on the stack: the heap is what just ran out.
  char line[128];
  std::size_t n = 0;
  for (const char* part : {module, " ", function, ": out of memory.\n"})
    for (const char* p = part; *p && n + 1 < sizeof line; ++p) line[n++] = *p;
  line[n] = '\0';
  g_debug_output(line);
}

bool HTSACopy(std::string& dest, const char* src) {
  dest.clear();
  dest.shrink_to_fit();
  if (!src) return true;
  try {
    dest.assign(src);
  } catch (const std::bad_alloc&) {
    dest.clear();
    report_out_of_memory("htstring", "HTSACopy");
    return false;
  }
  return true;
}

bool HTSACat(std::string& dest, std::string_view src) {
  try {
    dest.append(src);  // strong guarantee: unchanged when it throws
  } catch (const std::bad_alloc&) {
    report_out_of_memory("htstring", "HTSACat");
    return false;
  }
  return true;
}

int strcasecomp(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int d = static_cast<unsigned char>(lower(a[i])) - static_cast<unsigned char>(lower(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace qem
