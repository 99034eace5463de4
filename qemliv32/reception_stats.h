// ReceptionStats: what playback has seen of each stream (frames, losses,
// skips, bytes, the last 32 loss marks) and the figures derived from them.
// Every figure is defined for every input: with no frames, a zero or
// backwards time span or a zero interval it gives 0 or keeps its last value,
// as each function says.
#pragma once

#include <cstdint>

#include "qemliv32/media_frame.h"

namespace qem {

class ReceptionStats {
 public:
  static constexpr int kRing = 32;

  struct Stream {
    uint32_t frames = 0;
    uint32_t lost = 0;     // placeholders (length 0)
    uint32_t skipped = 0;  // flag not 0, or a video frame of length 1
    uint64_t bytes = 0;
    uint32_t last_number = 0;
    uint32_t last_time = 0;
    uint32_t ring = 0;  // bit i: slot i holds a lost frame
    int ring_index = 0;
  };

  void update(const MediaFrame& frame, int flag);
  void reset() { *this = ReceptionStats(); }

  const Stream& stream(MediaStream s) const { return s == MediaStream::video ? video_ : audio_; }

  // Video frames per second over the last 32 not-lost video frames, computed
  // at every 32nd video frame; 0 until the first computation. An interval
  // that is not positive (times equal or going back) keeps the last value.
  uint32_t video_frame_rate() const { return frame_rate_; }

  // lost x 100 / frames for video; 0 with no frames.
  uint32_t video_loss_percent() const;
  // Marked slots of the stream's ring x 100 / 32.
  uint32_t recent_loss_percent(MediaStream s) const;
  // bytes x 8 / (last time - v0) in kbit/s; 0 when that span is not positive
  // (no frames, the last time at or before v0).
  uint32_t rate_kbps(MediaStream s, uint32_t v0) const;
  // Both streams' rates added up.
  uint32_t measured_bandwidth_kbps(uint32_t v0) const;

 private:
  Stream video_;
  Stream audio_;
  uint32_t frame_rate_ = 0;
  bool rate_base_set_ = false;
  uint32_t rate_base_time_ = 0;  // time of the last computation (or of the first frame)
};

}  // namespace qem
