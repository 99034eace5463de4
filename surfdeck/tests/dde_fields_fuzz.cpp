// Fuzzes what the browser sends back: echo and window-change pokes and
// window-information replies split into fields, the window title taken from
// them, and the "WWW_ListWindows" reply walk.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "surfdeck/dde_items.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "dde_fields_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace surfdeck;
  // A copy of exactly the input's size: the split must not look past it.
  const std::vector<char> text(data, data + size);
  const char* bytes = text.empty() ? nullptr : text.data();

  const Fields f = splitFields(bytes, size);
  check(f.count >= 0 && f.count <= kMaxFields);
  std::size_t end = 0;
  while (end < size && text[end] != '\0') ++end;
  check((f.count == 0) == (end == 0));
  bool cut = false;
  for (int i = 0; i < kMaxFields; ++i) {
    const std::string& field = f.field[i];
    check(field.size() <= kMaxFieldLength);
    check(field.find(',') == std::string::npos && field.find('\0') == std::string::npos);
    if (i >= f.count) check(field.empty());
    cut = cut || field.size() == kMaxFieldLength;
  }
  // Fields that were not cut join back into the start of the text, or all
  // of it when none were dropped.
  if (!cut) {
    std::string joined;
    for (int i = 0; i < f.count; ++i) joined += (i ? "," : "") + f.field[i];
    const std::string whole(text.begin(), text.begin() + end);
    check(whole.compare(0, joined.size(), joined) == 0);
    if (f.count < kMaxFields) check(joined == whole);
  }

  if (const std::optional<std::string> title = windowTitleFromInfo(f)) {
    check(f.count >= 2 && f.field[1].size() >= 2);
    check(*title == f.field[1].substr(1, f.field[1].size() - 2));
  } else {
    check(f.count < 2 || f.field[1].size() < 2);
  }

  const uint8_t* raw = text.empty() ? nullptr : reinterpret_cast<const uint8_t*>(text.data());
  const uint32_t current = 0x5A5A5A5A;
  const uint32_t id = windowIdFromList(raw, size, current);
  if (size < 4) {
    check(id == current);
  } else {
    uint32_t first;
    std::memcpy(&first, raw, 4);  // the hosts this runs on are little-endian
    check(id == ((first == 0 || first == 0xFFFFFFFFu) ? current : first));
  }
  return 0;
}
