// PacketBuffer: one reference-counted block holding the bytes of a control
// message or a datagram; PacketView: a window onto such a block. A datagram
// is copied once into its block and every frame cut out of it is a view, so
// the bytes live exactly as long as the last frame or fragment that needs them.
// Single-threaded: the counts are plain integers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qem {

class PacketBuffer {
 public:
  // Control: a message on (or for) the TCP connection; data: a UDP datagram.
  enum class Channel : uint8_t { control, data };
  static constexpr std::size_t kSourceSize = 16;

  PacketBuffer() noexcept = default;
  PacketBuffer(const PacketBuffer& other) noexcept;
  PacketBuffer(PacketBuffer&& other) noexcept;
  PacketBuffer& operator=(const PacketBuffer& other) noexcept;
  PacketBuffer& operator=(PacketBuffer&& other) noexcept;
  ~PacketBuffer();

  // A block of `length` content bytes (uninitialised, none received yet);
  // an empty buffer when the memory cannot be had.
  static PacketBuffer allocate(std::size_t length, Channel channel);
  // A block holding a copy of bytes[0..n), all received.
  static PacketBuffer copy_of(const uint8_t* bytes, std::size_t n, Channel channel);

  explicit operator bool() const { return block_ != nullptr; }
  uint8_t* data();
  const uint8_t* data() const;
  // The content length N.
  std::size_t size() const;
  // Content bytes filled so far (a control message read in pieces).
  std::size_t received() const;
  void set_received(std::size_t n);
  // Shortens the content to n bytes (a datagram smaller than announced).
  void trim(std::size_t n);
  Channel channel() const;
  // A datagram's 16-byte source-address record (zeros).
  const uint8_t* source() const;
  // Buffers and views sharing this block.
  long use_count() const;
  void reset();

 private:
  struct Block;
  explicit PacketBuffer(Block* block) : block_(block) {}
  Block* block_ = nullptr;
};

class PacketView {
 public:
  PacketView() = default;
  // offset + length must lie inside buffer's content.
  PacketView(PacketBuffer buffer, std::size_t offset, std::size_t length)
      : buffer_(static_cast<PacketBuffer&&>(buffer)), offset_(offset), length_(length) {}

  const uint8_t* data() const { return buffer_ ? buffer_.data() + offset_ : nullptr; }
  std::size_t size() const { return length_; }
  const PacketBuffer& buffer() const { return buffer_; }

 private:
  PacketBuffer buffer_;
  std::size_t offset_ = 0;
  std::size_t length_ = 0;
};

}  // namespace qem
