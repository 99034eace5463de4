// The parser's one allocator. Running out of memory first gives the
// registered release hooks a chance to free something, retrying after each;
// when none is left the program ends with exit code 1.
#pragma once

#include <cstddef>

namespace surfdeck {

// Frees whatever memory its owner can do without.
using HTMemoryHook = void (*)();

void HTMemory_addHook(HTMemoryHook hook);
void HTMemory_removeHook(HTMemoryHook hook);

void* HTMemory_malloc(std::size_t size, const char* function, const char* module, int line);
void* HTMemory_calloc(std::size_t count, std::size_t size, const char* function,
                      const char* module, int line);
void* HTMemory_realloc(void* block, std::size_t size, const char* function,
                       const char* module, int line);
void HTMemory_free(void* block);

// Reports where memory ran out and ends the program with exit code 1.
[[noreturn]] void HTMemory_outOfMemory(const char* function, const char* module, int line);

}  // namespace surfdeck

#define HT_MALLOC(size) ::surfdeck::HTMemory_malloc((size), __func__, __FILE__, __LINE__)
#define HT_CALLOC(count, size) \
  ::surfdeck::HTMemory_calloc((count), (size), __func__, __FILE__, __LINE__)
#define HT_REALLOC(block, size) \
  ::surfdeck::HTMemory_realloc((block), (size), __func__, __FILE__, __LINE__)
#define HT_FREE(block) ::surfdeck::HTMemory_free(block)
