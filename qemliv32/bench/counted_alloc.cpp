#include "qemliv32/bench/counted_alloc.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t g_live = 0;
std::size_t g_peak = 0;
// Every block carries its size in front of it.
constexpr std::size_t kPrefix = 16;

void* counted_alloc(std::size_t n) {
  void* p = std::malloc(n + kPrefix);
  if (!p) return nullptr;
  *static_cast<std::size_t*>(p) = n;
  g_live += n;
  if (g_live > g_peak) g_peak = g_live;
  return static_cast<char*>(p) + kPrefix;
}

void counted_free(void* p) {
  if (!p) return;
  char* base = static_cast<char*>(p) - kPrefix;
  g_live -= *reinterpret_cast<std::size_t*>(base);
  std::free(base);
}

}  // namespace

namespace bench {
std::size_t live_bytes() { return g_live; }
std::size_t peak_bytes() { return g_peak; }
void reset_peak() { g_peak = g_live; }
}  // namespace bench

void* operator new(std::size_t n) {
  if (void* p = counted_alloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted_alloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted_alloc(n); }
void operator delete(void* p) noexcept { counted_free(p); }
void operator delete[](void* p) noexcept { counted_free(p); }
void operator delete(void* p, std::size_t) noexcept { counted_free(p); }
void operator delete[](void* p, std::size_t) noexcept { counted_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { counted_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { counted_free(p); }
