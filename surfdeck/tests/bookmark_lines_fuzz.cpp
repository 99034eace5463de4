// Fuzzes the line-wise reader of bookmark files and the writer's entries
// read back through it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "surfdeck/bookmark_file.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "bookmark_lines_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace surfdeck;
  const std::string_view bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);

  // The whole input as a file: every call consumes a line or stops.
  BookmarkLineReader reader(bytes);
  BookmarkLine line;
  std::size_t before = 0;
  for (;;) {
    const BookmarkLineReader::Result r = reader.next(line);
    if (r != BookmarkLineReader::kLine) {
      check(reader.position() == before);
      break;
    }
    check(reader.position() > before && reader.position() <= size);
    check(reader.position() - before <= kMaxBookmarkLine + 2);
    check(!hasLineBreak(line.title) && !hasLineBreak(line.url));
    check(line.title.size() + line.url.size() <= kMaxBookmarkLine);
    if (line.kind != BookmarkLineKind::kEntry) check(line.url.empty());
    before = reader.position();
  }

  // The input split at its first NUL as URL and title of an entry.
  const std::size_t nul = bytes.find('\0');
  const std::string_view url = bytes.substr(0, nul);
  const std::string_view title = nul == std::string_view::npos ? "" : bytes.substr(nul + 1);
  std::string out;
  BookmarkWriter writer(out);
  if (writer.entry(2, url, title)) {
    check(out.size() <= kMaxBookmarkLine);
    BookmarkLineReader back(out);
    check(back.next(line) == BookmarkLineReader::kLine);
    check(line.kind == BookmarkLineKind::kEntry);
    check(back.position() == out.size());
    // Fields survive unless they hold the characters the format cannot carry.
    if (url.find('>') == std::string_view::npos) {
      check(line.url == url);
      if (title.find('<') == std::string_view::npos) check(line.title == title);
    }
  } else {
    check(out.empty());
  }
  return 0;
}
