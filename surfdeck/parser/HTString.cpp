#include "surfdeck/parser/HTString.h"

#include <cstring>

#include "surfdeck/parser/HTMemory.h"

namespace surfdeck {

char* HTSACopy(char** dest, const char* src) {
  HT_FREE(*dest);
  *dest = nullptr;
  if (src) {
    const std::size_t n = std::strlen(src) + 1;
    *dest = static_cast<char*>(HT_MALLOC(n));
    std::memcpy(*dest, src, n);
  }
  return *dest;
}

int HTStrCaseComp(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y || x == 0) return x - y;
  }
}

}  // namespace surfdeck
