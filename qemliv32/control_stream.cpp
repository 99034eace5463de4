#include "qemliv32/control_stream.h"

#include <cstring>

#include "qemliv32/vtp_message.h"

namespace qem {

ControlStreamReader::Status ControlStreamReader::read(const uint8_t* data, std::size_t n,
                                                      std::size_t& used, PacketBuffer& message) {
  used = 0;
  if (lost_) return Status::lost_sync;
  while (used < n) {
    if (!partial_) {
      while (length_have_ < 4 && used < n) length_bytes_[length_have_++] = data[used++];
      if (length_have_ < 4) break;
      uint32_t length = read_be32(length_bytes_);
      length_have_ = 0;
      if (length == 0 || length > kMaxControlMessage) {
        lost_ = true;
        return Status::lost_sync;
      }
      partial_ = PacketBuffer::allocate(length, PacketBuffer::Channel::control);
      if (!partial_) {
        lost_ = true;
        return Status::lost_sync;
      }
    }
    std::size_t have = partial_.received();
    std::size_t take = partial_.size() - have;
    if (take > n - used) take = n - used;
    std::memcpy(partial_.data() + have, data + used, take);
    partial_.set_received(have + take);
    used += take;
    if (partial_.received() == partial_.size()) {
      message = std::move(partial_);
      partial_.reset();
      return Status::message;
    }
  }
  return Status::need_more;
}

void ControlStreamReader::reset() {
  length_have_ = 0;
  partial_.reset();
  lost_ = false;
}

}  // namespace qem
