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
  auto it = std::lower_bound(frames_.begin(), frames_.end(), frame.number,
                             [](const MediaFrame& f, uint32_t n) { return f.number < n; });
  if (it != frames_.end() && it->number == frame.number) {
    const std::size_t old = charge(*it);
    if (cost > old && !fits(0, cost - old)) return Insert::refused;
    held_bytes_ = held_bytes_ - old + cost;
    *it = std::move(frame);
    return Insert::replaced;
  }

  // Placeholders only where the newcomer becomes the head or the tail.
  const bool at_tail = !frames_.empty() && it == frames_.end();
  const bool at_head = !frames_.empty() && it == frames_.begin();
  uint32_t gap = 0;
  if (at_tail) gap = frame.number - frames_.back().number;
  if (at_head) gap = frames_.front().number - frame.number;
  const std::size_t fill = (gap > 1 && gap <= kMaxGap) ? gap - 1 : 0;
  if (!fits(1 + fill, cost + fill * kEntryCost)) return Insert::refused;
  held_bytes_ += cost + fill * kEntryCost;

  if (fill && at_tail) {
    const MediaFrame& a = frames_.back();
    const uint32_t a_number = a.number;
    const int64_t a_time = a.time;
    const int64_t step = (int64_t(frame.time) - a_time) / int64_t(gap);
    for (uint32_t k = 1; k < gap; ++k)
      frames_.push_back(placeholder(a_number + k, a_time + int64_t(k) * step, frame.stream));
  } else if (fill && at_head) {
    const int64_t a_time = frame.time;
    const int64_t step = (int64_t(frames_.front().time) - a_time) / int64_t(gap);
    for (uint32_t k = gap - 1; k >= 1; --k)
      frames_.push_front(placeholder(frame.number + k, a_time + int64_t(k) * step, frame.stream));
  }
  if (at_tail || frames_.empty()) {
    frames_.push_back(std::move(frame));
  } else if (at_head) {
    frames_.push_front(std::move(frame));
  } else {
    frames_.insert(it, std::move(frame));
  }
  return Insert::queued;
}

MediaFrame FrameQueue::pop_front() {
  held_bytes_ -= charge(frames_.front());
  MediaFrame f = std::move(frames_.front());
  frames_.pop_front();
  return f;
}

void FrameQueue::clear() {
  frames_.clear();
  held_bytes_ = 0;
}

}  // namespace qem
