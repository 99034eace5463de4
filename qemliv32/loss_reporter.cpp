#include "qemliv32/loss_reporter.h"

#include <algorithm>

namespace qem {
namespace {

bool earlier(uint32_t a, uint32_t b) { return int32_t(a - b) < 0; }

}  // namespace

void LossReporter::on_datagram(const DatagramHeader& header, std::size_t length, uint32_t now) {
  uint32_t counted = datagram_counted_bytes(length);
  fields_.datagrams += 1;
  fields_.bytes += counted;

  if (header.generation != fields_.generation) {
    fields_.generation = header.generation;
    missing_.erase(std::remove_if(missing_.begin(), missing_.end(),
                                  [&](const Missing& m) { return m.generation <= header.generation; }),
                   missing_.end());
  }

  uint32_t s = header.sequence;
  uint32_t h = fields_.highest_sequence;
  if (s < h) {
    fields_.late_datagrams += 1;
    fields_.late_bytes += counted;
    auto it = std::find_if(missing_.begin(), missing_.end(),
                           [&](const Missing& m) { return m.sequence == s; });
    if (it != missing_.end()) missing_.erase(it);
  } else {
    // Only the newest kMaxMissing numbers of a gap can ever be listed, so
    // only those are walked: a jump of 2^31 costs no more than a small gap.
    if (s - h > 1) {
      uint32_t from = s - h - 1 > kMaxMissing ? s - uint32_t(kMaxMissing) : h + 1;
      for (uint32_t m = from; m != s; ++m) {
        if (missing_.size() == kMaxMissing) missing_.pop_back();
        missing_.push_front({m, fields_.generation});
      }
      next_report_ = now;
      report_scheduled_ = true;
    }
    fields_.highest_sequence = s;
  }

  if (header.report_request) {
    fields_.urgent = true;
    next_report_ = now;
    report_scheduled_ = true;
  } else {
    schedule_no_later_than(now + kReportIntervalMs);
  }
}

void LossReporter::schedule_no_later_than(uint32_t when) {
  if (!report_scheduled_ || earlier(when, next_report_)) {
    next_report_ = when;
    report_scheduled_ = true;
  }
}

bool LossReporter::report_due(uint32_t now) const {
  return report_scheduled_ && earlier(next_report_, now);
}

std::vector<uint8_t> LossReporter::take_report(uint32_t now) {
  fields_.counter = (fields_.counter + 1) & 0x7FFFFFFF;
  fields_.clock_ms = now;
  std::vector<uint32_t> list = missing();
  std::vector<uint8_t> report = encode_report(fields_, list.data(), list.size());
  fields_.urgent = false;
  next_report_ = now + kReportIntervalMs;
  report_scheduled_ = true;
  return report;
}

std::vector<uint32_t> LossReporter::missing() const {
  std::vector<uint32_t> list;
  list.reserve(missing_.size());
  for (const Missing& m : missing_) list.push_back(m.sequence);
  return list;
}

void LossReporter::reset() {
  fields_ = ReportFields();
  missing_.clear();
  report_scheduled_ = false;
  next_report_ = 0;
}

}  // namespace qem
