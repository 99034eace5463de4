// Feeds the parser chain arbitrary bytes whole, split at points taken from
// the input, and one by one: the events must not depend on how they arrive.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "surfdeck/parser/Html.h"
#include "surfdeck/tests/event_log.h"

namespace {

using Parser = std::unique_ptr<surfdeck::HTStream, surfdeck::HTStreamFree>;

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "sgml_split_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace surfdeck;
  if (size < 1) return 0;
  // The first byte seeds the split points; the rest is the document.
  uint32_t seed = data[0] * 2654435761u + 1;
  const char* doc = reinterpret_cast<const char*>(data + 1);
  const int length = static_cast<int>(size - 1);

  EventLog whole;
  {
    Parser p(HTML_parser(&whole));
    p->putBlock(doc, length);
  }

  EventLog split;
  {
    Parser p(HTML_parser(&split));
    int at = 0;
    while (at < length) {
      seed = seed * 1103515245u + 12345u;
      const int step = static_cast<int>((seed >> 16) % 17);
      if (step == 0) {
        p->putCharacter(doc[at++]);
      } else {
        const int n = step < length - at ? step : length - at;
        p->putBlock(doc + at, n);
        at += n;
      }
    }
  }
  check(whole.events == split.events);

  // One character at a time goes through the state table alone, without
  // the block path's handling of runs.
  EventLog single;
  {
    Parser p(HTML_parser(&single));
    for (int i = 0; i < length; ++i) p->putCharacter(doc[i]);
  }
  check(whole.events == single.events);

  // Collected texts come from the input: none can be longer than it.
  for (const std::string& e : whole.events) check(e.size() <= size + 2);
  return 0;
}
