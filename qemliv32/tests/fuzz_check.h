// check(x) for the fuzz targets: a property that must hold for any input,
// reported with its line before the target aborts (so libFuzzer keeps the
// input).
#pragma once

#include <cstdio>
#include <cstdlib>

namespace qem_fuzz {

inline void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
  std::abort();
}

}  // namespace qem_fuzz

#define check(x) ::qem_fuzz::check_at((x), #x, __LINE__)
