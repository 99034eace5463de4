// The lag-notice counter: playback raises a lag signal when video falls far
// behind audio; a steady run of them (ten, each within 1000 ms of the one
// before) asks the server, at most every 25000 ms, to ease off with NOTICE 10.
#pragma once

#include <cstdint>

namespace qem {

class LagNotice {
 public:
  static constexpr uint32_t kBurstGapMs = 1000;
  static constexpr uint32_t kSignalsPerNotice = 10;
  static constexpr uint32_t kMinNoticeGapMs = 25000;

  // One lag signal at tick `now`; true when NOTICE 10 is to be sent.
  bool signal(uint32_t now);
  void reset();

 private:
  uint32_t last_signal_ = 0;
  uint32_t last_notice_ = 0;
  uint32_t count_ = 0;
};

}  // namespace qem
