#include "surfdeck/parser/HTChunk.h"

#include <climits>
#include <cstring>

#include "surfdeck/parser/HTMemory.h"

namespace surfdeck {
namespace {

void growTo(HTChunk* chunk, long long wanted) {
  // No input can be longer than an int can count; stop before the sizes wrap.
  if (wanted > INT_MAX) HTMemory_outOfMemory(__func__, __FILE__, __LINE__);
  const int old = chunk->allocated;
  chunk->data = static_cast<char*>(HT_REALLOC(chunk->data, static_cast<std::size_t>(wanted)));
  std::memset(chunk->data + old, 0, static_cast<std::size_t>(wanted - old));
  chunk->allocated = static_cast<int>(wanted);
}

void noteWritten(HTChunk* chunk) {
  if (chunk->size > chunk->touched) chunk->touched = chunk->size;
}

}  // namespace

HTChunk* HTChunk_new(int growby) {
  auto* chunk = static_cast<HTChunk*>(HT_CALLOC(1, sizeof(HTChunk)));
  chunk->growby = growby > 0 ? growby : 1;
  return chunk;
}

void HTChunk_free(HTChunk* chunk) {
  if (!chunk) return;
  HT_FREE(chunk->data);
  HT_FREE(chunk);
}

void HTChunk_clear(HTChunk* chunk) {
  // Only the bytes written since the last clear can be non-zero; zeroing
  // just those keeps a once-large buffer from making every clear expensive.
  if (chunk->data) std::memset(chunk->data, 0, static_cast<std::size_t>(chunk->touched));
  chunk->size = 0;
  chunk->touched = 0;
}

void HTChunk_truncate(HTChunk* chunk) { chunk->size = 0; }

void HTChunk_growStep(HTChunk* chunk) {
  growTo(chunk, static_cast<long long>(chunk->allocated) + chunk->growby);
}

void HTChunk_putb(HTChunk* chunk, const char* block, int length) {
  if (length <= 0) return;
  const long long needed = static_cast<long long>(chunk->size) + length;
  if (needed >= chunk->allocated)
    growTo(chunk, (needed / chunk->growby + 1) * chunk->growby);
  std::memcpy(chunk->data + chunk->size, block, static_cast<std::size_t>(length));
  chunk->size += length;
  noteWritten(chunk);
}

void HTChunk_puts(HTChunk* chunk, const char* s) {
  if (s) HTChunk_putb(chunk, s, static_cast<int>(std::strlen(s)));
}

void HTChunk_terminate(HTChunk* chunk) {
  HTChunk_putc(chunk, '\0');
  --chunk->size;  // the NUL ends the text but does not count
}

}  // namespace surfdeck
