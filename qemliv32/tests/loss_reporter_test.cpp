#include "qemliv32/loss_reporter.h"

#include <gtest/gtest.h>

#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

void feed(LossReporter& r, uint32_t sequence, uint32_t now, uint32_t generation = 0,
          std::size_t length = 100, bool request = false) {
  DatagramHeader h;
  h.sequence = sequence;
  h.generation = generation;
  h.report_request = request;
  r.on_datagram(h, length, now);
}

TEST(LossReporter, GapsAreListedNewestFirstAndLateArrivalsRemoveThem) {
  LossReporter r;
  feed(r, 1, 1000);
  feed(r, 2, 1000);
  feed(r, 5, 1000);
  EXPECT_EQ(r.missing(), (std::vector<uint32_t>{4, 3}));
  EXPECT_TRUE(r.report_due(1001)) << "a new gap makes the report due at once";
  Bytes report = r.take_report(1001);
  Bytes expected = framed(10, cat({be16(8), be16(2), be32(1), be32(5), be32(0), be32(1001), be32(3),
                                   be32(300), be32(0), be32(0), be32(4), be32(3)}));
  EXPECT_EQ(hex(report), hex(expected));

  feed(r, 3, 1100, 0, 23);
  EXPECT_EQ(r.missing(), (std::vector<uint32_t>{4}));
  EXPECT_EQ(r.fields().late_datagrams, 1u);
  EXPECT_EQ(r.fields().late_bytes, 20u);
  EXPECT_EQ(r.fields().highest_sequence, 5u);
  feed(r, 3, 1100);
  EXPECT_EQ(r.fields().late_datagrams, 2u) << "a repeat is late as well";
}

TEST(LossReporter, ReportTiming) {
  LossReporter r;
  EXPECT_FALSE(r.report_due(5000)) << "never before the first datagram";
  feed(r, 1, 1000);
  EXPECT_FALSE(r.report_due(4000));
  EXPECT_TRUE(r.report_due(4001));
  feed(r, 2, 3500);  // keeps the earlier time
  EXPECT_TRUE(r.report_due(4001));
  r.take_report(4001);
  EXPECT_FALSE(r.report_due(7001));
  EXPECT_TRUE(r.report_due(7002));

  // A request is urgent and due at once; the urgent flag goes with the report.
  feed(r, 3, 5000, 0, 100, true);
  EXPECT_TRUE(r.report_due(5001));
  Bytes urgent = r.take_report(5001);
  EXPECT_EQ(urgent[12], 0x80) << "urgent bit";
  EXPECT_EQ(urgent[15], 2) << "second report";
  feed(r, 4, 5002);
  Bytes plain = r.take_report(9000);
  EXPECT_EQ(plain[12], 0x00);
  EXPECT_EQ(plain[15], 3);

  // Times near the wrap of the tick count.
  LossReporter w;
  feed(w, 1, 0xFFFFF000u);
  EXPECT_FALSE(w.report_due(0xFFFFF000u + 2000));
  EXPECT_TRUE(w.report_due(0xFFFFF000u + 3001));
}

TEST(LossReporter, GenerationChangeForgetsOlderGaps) {
  LossReporter r;
  feed(r, 1, 0, 1);
  feed(r, 4, 0, 1);  // 2, 3 under generation 1
  feed(r, 7, 0, 3);  // generation 3 drops them; 5, 6 recorded under 3
  EXPECT_EQ(r.missing(), (std::vector<uint32_t>{6, 5}));
  feed(r, 8, 0, 2);  // a lower generation drops entries not above 2: none
  EXPECT_EQ(r.missing(), (std::vector<uint32_t>{6, 5}));
  EXPECT_EQ(r.fields().generation, 2u);
}

TEST(LossReporter, HostileJumpIsBounded) {
  LossReporter r;
  feed(r, 1, 0);
  feed(r, 0x80000001u, 10);
  std::vector<uint32_t> missing = r.missing();
  ASSERT_EQ(missing.size(), LossReporter::kMaxMissing);
  EXPECT_EQ(missing.front(), 0x80000000u);
  EXPECT_EQ(missing.back(), 0x80000001u - LossReporter::kMaxMissing);
  Bytes report = r.take_report(11);
  EXPECT_EQ(report.size(), 8 + 36 + 4 * LossReporter::kMaxMissing);
  EXPECT_EQ(report[10], uint8_t(LossReporter::kMaxMissing >> 8));
  EXPECT_EQ(report[11], uint8_t(LossReporter::kMaxMissing));

  // A later small gap pushes out the oldest entries, keeping the bound.
  feed(r, 0x80000005u, 20);
  missing = r.missing();
  ASSERT_EQ(missing.size(), LossReporter::kMaxMissing);
  EXPECT_EQ(missing[0], 0x80000004u);
  EXPECT_EQ(missing[3], 0x80000000u);
}

TEST(LossReporter, ResetClearsEverything) {
  LossReporter r;
  feed(r, 1, 0);
  feed(r, 9, 0);
  r.take_report(1);
  r.reset();
  EXPECT_TRUE(r.missing().empty());
  EXPECT_FALSE(r.report_due(100000));
  feed(r, 2, 0);
  Bytes report = r.take_report(1);
  EXPECT_EQ(report[15], 1) << "counter restarts at 1";
  EXPECT_EQ(report[31], 1) << "one datagram";
  EXPECT_EQ(report[11], 1) << "number 1 is missing again, from highest 0";
}

}  // namespace
