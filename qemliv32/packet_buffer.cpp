#include "qemliv32/packet_buffer.h"

#include <cstring>
#include <new>

namespace qem {

// The header sits in front of the content bytes in one allocation.
struct alignas(8) PacketBuffer::Block {
  long refs;
  std::size_t size;
  std::size_t received;
  Channel channel;
  uint8_t source[kSourceSize];

  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
};

PacketBuffer PacketBuffer::allocate(std::size_t length, Channel channel) {
  if (length > std::size_t(-1) - sizeof(Block)) return PacketBuffer();
  void* memory = ::operator new(sizeof(Block) + length, std::nothrow);
  if (!memory) return PacketBuffer();
  Block* block = new (memory) Block{1, length, 0, channel, {}};
  return PacketBuffer(block);
}

PacketBuffer PacketBuffer::copy_of(const uint8_t* bytes, std::size_t n, Channel channel) {
  PacketBuffer buffer = allocate(n, channel);
  if (buffer && n) {
    std::memcpy(buffer.data(), bytes, n);
    buffer.block_->received = n;
  }
  return buffer;
}

PacketBuffer::PacketBuffer(const PacketBuffer& other) noexcept : block_(other.block_) {
  if (block_) ++block_->refs;
}

PacketBuffer::PacketBuffer(PacketBuffer&& other) noexcept : block_(other.block_) {
  other.block_ = nullptr;
}

PacketBuffer& PacketBuffer::operator=(const PacketBuffer& other) noexcept {
  Block* keep = other.block_;  // other may be *this
  if (keep) ++keep->refs;
  reset();
  block_ = keep;
  return *this;
}

PacketBuffer& PacketBuffer::operator=(PacketBuffer&& other) noexcept {
  if (this != &other) {
    reset();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

PacketBuffer::~PacketBuffer() { reset(); }

void PacketBuffer::reset() {
  if (block_ && --block_->refs == 0) {
    block_->~Block();
    ::operator delete(block_);
  }
  block_ = nullptr;
}

uint8_t* PacketBuffer::data() { return block_ ? block_->bytes() : nullptr; }
const uint8_t* PacketBuffer::data() const { return block_ ? block_->bytes() : nullptr; }
std::size_t PacketBuffer::size() const { return block_ ? block_->size : 0; }
std::size_t PacketBuffer::received() const { return block_ ? block_->received : 0; }

void PacketBuffer::set_received(std::size_t n) {
  if (block_) block_->received = n < block_->size ? n : block_->size;
}

void PacketBuffer::trim(std::size_t n) {
  if (!block_ || n >= block_->size) return;
  block_->size = n;
  if (block_->received > n) block_->received = n;
}

PacketBuffer::Channel PacketBuffer::channel() const {
  return block_ ? block_->channel : Channel::control;
}

const uint8_t* PacketBuffer::source() const {
  static const uint8_t kNone[kSourceSize] = {};
  return block_ ? block_->source : kNone;
}

long PacketBuffer::use_count() const { return block_ ? block_->refs : 0; }

}  // namespace qem
