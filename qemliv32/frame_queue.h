// FrameQueue: the frames of one stream waiting to be played, in ascending
// frame number. Missing numbers at the head or the tail are filled with
// placeholders (frames of length 0) whose times are interpolated, so playback
// sees every loss as a frame of its own.
//
// The queue is bounded, because its numbers, times and bytes come from the
// network:
// - a jump of more than kMaxGap numbers gets no placeholders: the frame is
//   queued after (or before) its neighbour as it is, and playback sees the
//   jump in the numbers instead (a hostile 1 -> 2^31 costs one entry);
// - at most max_frames entries (placeholders included) and max_bytes of
//   charged bytes are held; a newcomer that would go past either is refused
//   and the queue stays as it was.
// The defaults hold a stream of 60 frames per second at the largest buffer
// the request can ask for (65535 ms) more than four times over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>

#include "qemliv32/media_frame.h"

namespace qem {

// Video frame types: the first byte of a video frame.
constexpr int kIntraNormal = 0;
constexpr int kIntraAdd = 1;
constexpr int kInterNormal = 16;
constexpr int kIntraSlide = 17;
constexpr int kInterAdd = 32;
constexpr int kFrameSkipped = 128;  // what a placeholder reports

inline int frame_type(const MediaFrame& f) { return f.length() ? f.data()[0] : kFrameSkipped; }
// Key frames for the skip rules; every type but INTRA_NORMAL still depends on
// the frame before it.
inline bool is_key_frame(const MediaFrame& f) {
  return f.length() && (f.data()[0] == kIntraNormal || f.data()[0] == kIntraAdd);
}

class FrameQueue {
 public:
  static constexpr uint32_t kMaxGap = 1024;  // numbers; beyond: no placeholders
  struct Limits {
    std::size_t max_frames = 16384;
    std::size_t max_bytes = std::size_t(64) << 20;
  };
  // What an entry costs besides the bytes it keeps alive (the frame and its
  // tree node).
  static constexpr std::size_t kEntryCost = sizeof(MediaFrame) + 48;

  enum class Insert { queued, replaced, refused };

  FrameQueue() = default;
  explicit FrameQueue(Limits limits) : limits_(limits) {}

  // A frame with a queued number replaces it; otherwise it goes before the
  // first higher number, with placeholders first when it becomes the new head
  // or tail more than one number away from its neighbour (within kMaxGap).
  // A frame that views a much larger block (a small frame cut out of a big
  // datagram) is copied out, so it does not keep the whole block alive.
  Insert insert(MediaFrame&& frame);

  bool empty() const { return frames_.empty(); }
  std::size_t size() const { return frames_.size(); }
  const MediaFrame* front() const { return frames_.empty() ? nullptr : &frames_.begin()->second; }
  const MediaFrame* back() const { return frames_.empty() ? nullptr : &frames_.rbegin()->second; }
  MediaFrame pop_front();  // precondition: !empty()
  void clear();

  // Takes frames off the head until the first key frame whose time is at
  // least min_time (that one stays queued), handing each to flushed(MediaFrame&&).
  // Without such a key frame the queue ends up empty.
  template <class F>
  void flush_until_key(int64_t min_time, F&& flushed) {
    while (!frames_.empty() && !(is_key_frame(*front()) && int64_t(front()->time) >= min_time))
      flushed(pop_front());
  }

  // Bytes charged against max_bytes: each entry's cost plus the size of the
  // block its bytes live in (a block shared by several entries is charged to
  // each, so the real memory is never more than this).
  std::size_t held_bytes() const { return held_bytes_; }
  const Limits& limits() const { return limits_; }

  // The frames in order, head first.
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = MediaFrame;
    using difference_type = std::ptrdiff_t;
    using pointer = const MediaFrame*;
    using reference = const MediaFrame&;
    const MediaFrame& operator*() const { return it_->second; }
    const MediaFrame* operator->() const { return &it_->second; }
    const_iterator& operator++() { ++it_; return *this; }
    bool operator==(const const_iterator& o) const { return it_ == o.it_; }
    bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

   private:
    friend class FrameQueue;
    explicit const_iterator(std::map<uint32_t, MediaFrame>::const_iterator it) : it_(it) {}
    std::map<uint32_t, MediaFrame>::const_iterator it_;
  };
  const_iterator begin() const { return const_iterator(frames_.begin()); }
  const_iterator end() const { return const_iterator(frames_.end()); }

 private:
  static std::size_t charge(const MediaFrame& f);
  bool fits(std::size_t entries, std::size_t bytes) const;

  Limits limits_;
  // By number: finding a frame's place costs log n wherever a hostile stream
  // puts it.
  std::map<uint32_t, MediaFrame> frames_;
  std::size_t held_bytes_ = 0;
};

}  // namespace qem
