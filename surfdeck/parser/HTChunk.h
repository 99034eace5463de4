// A growable byte buffer. Growth is by whole steps of the chunk's own size
// and new bytes are zero, so a terminated chunk reads as a string.
#pragma once

namespace surfdeck {

struct HTChunk {
  int size;        // bytes in use
  int growby;      // growth step
  int allocated;   // bytes allocated
  char* data;      // null until the first append
  int touched;     // bytes written since the last clear (all beyond are zero)
};

HTChunk* HTChunk_new(int growby);
void HTChunk_free(HTChunk* chunk);

// Length 0 and all bytes zero.
void HTChunk_clear(HTChunk* chunk);
// Length 0 only; the old bytes stay until overwritten or cleared.
void HTChunk_truncate(HTChunk* chunk);

// Grows by one step; the slow path of HTChunk_putc.
void HTChunk_growStep(HTChunk* chunk);

inline void HTChunk_putc(HTChunk* chunk, char c) {
  if (chunk->size >= chunk->allocated - 1) HTChunk_growStep(chunk);
  chunk->data[chunk->size++] = c;
  if (chunk->size > chunk->touched) chunk->touched = chunk->size;
}
void HTChunk_putb(HTChunk* chunk, const char* block, int length);
void HTChunk_puts(HTChunk* chunk, const char* s);
// Appends a NUL so that data reads as the string of the first size bytes.
void HTChunk_terminate(HTChunk* chunk);

}  // namespace surfdeck
