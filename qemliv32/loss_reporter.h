// LossReporter: counts datagrams, keeps the sequence numbers that went
// missing (newest first) and builds the REPORT that tells the server about
// them, every 3000 ms and at once when a datagram asks for it.
//
// The missing list holds at most kMaxMissing numbers: a gap wider than that
// (a hostile jump of 2^31, say) lists only its newest kMaxMissing numbers,
// and older entries fall off the end as newer gaps arrive. A REPORT carries
// the whole list, so at most kMaxMissing numbers (36 + 4 * 1024 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "qemliv32/datagram.h"
#include "qemliv32/vtp_message.h"

namespace qem {

class LossReporter {
 public:
  static constexpr std::size_t kMaxMissing = 1024;
  static constexpr uint32_t kReportIntervalMs = 3000;

  void on_datagram(const DatagramHeader& header, std::size_t length, uint32_t now);
  // The next report time has passed (the caller checks the protocol state).
  bool report_due(uint32_t now) const;
  // The framed REPORT; counts it, clears the urgent flag, next one in 3000 ms.
  std::vector<uint8_t> take_report(uint32_t now);
  void reset();

  const ReportFields& fields() const { return fields_; }
  // Newest first.
  std::vector<uint32_t> missing() const;

 private:
  struct Missing {
    uint32_t sequence;
    uint32_t generation;
  };
  void schedule_no_later_than(uint32_t when);

  ReportFields fields_;
  std::deque<Missing> missing_;  // front: most recently detected
  bool report_scheduled_ = false;
  uint32_t next_report_ = 0;
};

}  // namespace qem
