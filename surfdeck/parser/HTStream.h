// Streams of the parser chain. A stream owns the stream it writes to and
// frees it when it is freed itself, so a chain is released from its head.
#pragma once

#include <cstddef>

namespace surfdeck {

class HTStream {
 public:
  virtual const char* name() const = 0;
  virtual void flush() = 0;
  virtual void free() = 0;   // frees this stream and its target
  virtual void abort() = 0;  // the same, for a transfer that did not finish
  virtual void putCharacter(char c) = 0;
  virtual void putString(const char* s) = 0;
  virtual void putBlock(const char* block, int length) = 0;

  // Streams are allocated through the parser's allocator like the rest of it.
  static void* operator new(std::size_t size);
  static void operator delete(void* p);

 protected:
  HTStream() = default;
  virtual ~HTStream() = default;
  HTStream(const HTStream&) = delete;
  HTStream& operator=(const HTStream&) = delete;
};

// A stream that also takes elements and entities by their DTD index.
class HTStructured : public HTStream {
 public:
  // present and value have one slot per attribute of the element, in DTD order.
  virtual void startElement(int element, const bool* present, const char* const* value) = 0;
  virtual void endElement(int element) = 0;
  virtual void putEntity(int entity) = 0;
};

// Frees a stream chain from its head; for std::unique_ptr.
struct HTStreamFree {
  void operator()(HTStream* s) const {
    if (s) s->free();
  }
};

}  // namespace surfdeck
