#include "qemliv32/frame_queue.h"

#include <algorithm>

namespace qem {

namespace {

// A frame may keep a block up to about twice its own size alive; a smaller
// view is copied into a block of its own.
constexpr std::size_t kSlackBytes = 512;

void compact(MediaFrame& f) {
  const PacketBuffer& block = f.bytes.buffer();
  if (!block) return;
  if (f.length() == 0) {
    f.bytes = PacketView();
    return;
  }
  if (block.size() <= 2 * f.length() + kSlackBytes) return;
  PacketBuffer own = PacketBuffer::copy_of(f.data(), f.length(), block.channel());
  if (own) f.bytes = PacketView(std::move(own), 0, f.length());  // else charged as it is
}

MediaFrame placeholder(uint32_t number, int64_t time, MediaStream stream) {
  MediaFrame f;
  f.number = number;
  f.time = uint32_t(time);
  f.stream = stream;
  return f;
}

}  // namespace

std::size_t FrameQueue::charge(const MediaFrame& f) {
  return kEntryCost + (f.bytes.buffer() ? f.bytes.buffer().size() : 0);
}

bool FrameQueue::fits(std::size_t entries, std::size_t bytes) const {
  return entries <= limits_.max_frames - std::min(limits_.max_frames, frames_.size()) &&
         bytes <= limits_.max_bytes - std::min(limits_.max_bytes, held_bytes_);
}

FrameQueue::Insert FrameQueue::insert(MediaFrame&& frame) {
  compact(frame);
  const std::size_t cost = charge(frame);
  const uint32_t number = frame.number;
  auto it = frames_.lower_bound(number);
  if (it != frames_.end() && it->first == number) {
    const std::size_t old = charge(it->second);
    if (cost > old && !fits(0, cost - old)) return Insert::refused;
    held_bytes_ = held_bytes_ - old + cost;
    it->second = std::move(frame);
    return Insert::replaced;
  }

  // Placeholders only where the newcomer becomes the head or the tail.
  const bool at_tail = !frames_.empty() && it == frames_.end();
  const bool at_head = !frames_.empty() && it == frames_.begin();
  uint32_t gap = 0;
  if (at_tail) gap = number - frames_.rbegin()->first;
  if (at_head) gap = frames_.begin()->first - number;
  const std::size_t fill = (gap > 1 && gap <= kMaxGap) ? gap - 1 : 0;
  if (!fits(1 + fill, cost + fill * kEntryCost)) return Insert::refused;
  held_bytes_ += cost + fill * kEntryCost;

  if (fill) {
    // From frame a to frame b, n numbers apart: a + k at a's time + k x step.
    const MediaFrame& a = at_tail ? frames_.rbegin()->second : frame;
    const MediaFrame& b = at_tail ? frame : frames_.begin()->second;
    const uint32_t a_number = a.number;
    const int64_t a_time = a.time;
    const int64_t step = (int64_t(b.time) - a_time) / int64_t(gap);
    const MediaStream stream = frame.stream;
    for (uint32_t k = 1; k < gap; ++k)
      frames_.emplace_hint(it, a_number + k, placeholder(a_number + k, a_time + int64_t(k) * step, stream));
    if (at_head) it = frames_.begin();
  }
  frames_.emplace_hint(it, number, std::move(frame));
  return Insert::queued;
}

MediaFrame FrameQueue::pop_front() {
  auto first = frames_.begin();
  held_bytes_ -= charge(first->second);
  MediaFrame f = std::move(first->second);
  frames_.erase(first);
  return f;
}

void FrameQueue::clear() {
  frames_.clear();
  held_bytes_ = 0;
}

}  // namespace qem
