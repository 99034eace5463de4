#include "surfdeck/parser/HTMemory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace surfdeck {
namespace {

constexpr int kMaxHooks = 8;
HTMemoryHook hooks[kMaxHooks];
int hookCount = 0;

// Runs the hooks in order until attempt() succeeds; the last resort ends the program.
template <typename Attempt>
void* withHooks(Attempt attempt, const char* function, const char* module, int line) {
  if (void* p = attempt()) return p;
  for (int i = 0; i < hookCount; ++i) {
    hooks[i]();
    if (void* p = attempt()) return p;
  }
  HTMemory_outOfMemory(function, module, line);
}

}  // namespace

void HTMemory_addHook(HTMemoryHook hook) {
  for (int i = 0; i < hookCount; ++i)
    if (hooks[i] == hook) return;
  if (hookCount < kMaxHooks) hooks[hookCount++] = hook;
}

void HTMemory_removeHook(HTMemoryHook hook) {
  for (int i = 0; i < hookCount; ++i) {
    if (hooks[i] != hook) continue;
    std::memmove(&hooks[i], &hooks[i + 1], sizeof(hooks[0]) * (hookCount - i - 1));
    --hookCount;
    return;
  }
}

void* HTMemory_malloc(std::size_t size, const char* function, const char* module, int line) {
  if (size == 0) size = 1;  // a zero-size request must still give a distinct block
  return withHooks([size] { return std::malloc(size); }, function, module, line);
}

void* HTMemory_calloc(std::size_t count, std::size_t size, const char* function,
                      const char* module, int line) {
  if (count == 0 || size == 0) count = size = 1;
  return withHooks([count, size] { return std::calloc(count, size); }, function, module, line);
}

void* HTMemory_realloc(void* block, std::size_t size, const char* function, const char* module,
                       int line) {
  if (size == 0) size = 1;
  return withHooks([block, size] { return std::realloc(block, size); }, function, module, line);
}

void HTMemory_free(void* block) { std::free(block); }

void HTMemory_outOfMemory(const char* function, const char* module, int line) {
  std::fprintf(stderr, "%s: out of memory (%s:%d)\n", function, module, line);
  std::fflush(stderr);
  std::exit(1);
}

}  // namespace surfdeck
