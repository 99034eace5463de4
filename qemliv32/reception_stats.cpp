#include "qemliv32/reception_stats.h"

#include <bitset>

namespace qem {

namespace {

int marked(uint32_t ring) { return int(std::bitset<32>(ring).count()); }

}  // namespace

void ReceptionStats::update(const MediaFrame& frame, int flag) {
  const bool video = frame.stream == MediaStream::video;
  Stream& s = video ? video_ : audio_;
  ++s.frames;
  s.bytes += frame.length();
  s.last_number = frame.number;
  s.last_time = frame.time;
  const uint32_t slot = uint32_t(1) << s.ring_index;
  if (frame.length() == 0) {
    ++s.lost;
    s.ring |= slot;
  } else {
    s.ring &= ~slot;
  }
  s.ring_index = (s.ring_index + 1) % kRing;
  if (flag != 0 || (video && frame.length() == 1)) ++s.skipped;

  if (!video) return;
  if (!rate_base_set_) {
    rate_base_set_ = true;
    rate_base_time_ = frame.time;
  }
  if (s.frames % kRing != 0) return;
  const int64_t interval = int64_t(frame.time) - int64_t(rate_base_time_);
  rate_base_time_ = frame.time;
  if (interval <= 0) return;
  frame_rate_ = uint32_t(int64_t(kRing - marked(s.ring)) * 1000 / interval);
}

uint32_t ReceptionStats::video_loss_percent() const {
  if (video_.frames == 0) return 0;
  return uint32_t(uint64_t(video_.lost) * 100 / video_.frames);
}

uint32_t ReceptionStats::recent_loss_percent(MediaStream s) const {
  return uint32_t(marked(stream(s).ring) * 100 / kRing);
}

uint32_t ReceptionStats::rate_kbps(MediaStream which, uint32_t v0) const {
  const Stream& s = stream(which);
  if (s.frames == 0) return 0;
  const int64_t span = int64_t(s.last_time) - int64_t(v0);
  if (span <= 0) return 0;
  const uint64_t kbps = s.bytes * 8 / uint64_t(span);
  return kbps > UINT32_MAX ? UINT32_MAX : uint32_t(kbps);
}

uint32_t ReceptionStats::measured_bandwidth_kbps(uint32_t v0) const {
  const uint64_t sum = uint64_t(rate_kbps(MediaStream::video, v0)) +
                       rate_kbps(MediaStream::audio, v0);
  return sum > UINT32_MAX ? UINT32_MAX : uint32_t(sum);
}

}  // namespace qem
