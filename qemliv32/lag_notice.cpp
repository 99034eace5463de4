#include "qemliv32/lag_notice.h"

namespace qem {

bool LagNotice::signal(uint32_t now) {
  uint32_t since_previous = now - last_signal_;
  last_signal_ = now;
  if (since_previous > kBurstGapMs) return false;
  if (++count_ < kSignalsPerNotice) return false;
  count_ = 0;
  if (now - last_notice_ < kMinNoticeGapMs) return false;
  last_notice_ = now;
  return true;
}

void LagNotice::reset() {
  last_signal_ = 0;
  last_notice_ = 0;
  count_ = 0;
}

}  // namespace qem
