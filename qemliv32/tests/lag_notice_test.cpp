#include "qemliv32/lag_notice.h"

#include <gtest/gtest.h>

using namespace qem;

namespace {

// Signals every `gap` ms from `start`; returns the indexes (1-based) that asked for a notice.
std::vector<int> run(LagNotice& lag, uint32_t start, uint32_t gap, int signals) {
  std::vector<int> notices;
  for (int i = 1; i <= signals; ++i)
    if (lag.signal(start + uint32_t(i - 1) * gap)) notices.push_back(i);
  return notices;
}

TEST(LagNotice, TenCloseSignalsSendANoticeAtMostEvery25Seconds) {
  struct Case {
    const char* name;
    uint32_t start, gap;
    int signals;
    std::vector<int> expected;
  } cases[] = {
      // The first signal only records its time (long after time 0); ten more send.
      {"steady run", 100000, 500, 11, {11}},
      {"nine are not enough", 100000, 500, 10, {}},
      // 1000 ms apart still counts; the next notice waits 25000 ms: the 51st
      // signal comes 25000 ms after the 1st notice at the 11th.
      {"held back for 25 s", 100000, 625, 51, {11, 51}},
      {"gaps above 1000 never count", 100000, 1001, 40, {}},
      {"too soon after boot", 1000, 100, 11, {}},
      {"across the wrap", 0xFFFFA000u, 625, 51, {11, 51}},
  };
  for (const Case& c : cases) {
    LagNotice lag;
    EXPECT_EQ(run(lag, c.start, c.gap, c.signals), c.expected) << c.name;
  }
}

TEST(LagNotice, ResetStartsTheCountAgain) {
  LagNotice lag;
  run(lag, 100000, 500, 9);
  lag.reset();
  EXPECT_EQ(run(lag, 200000, 500, 10), std::vector<int>{}) << "the first signal after reset only records";
  EXPECT_EQ(run(lag, 205000, 500, 1), std::vector<int>{1});
}

}  // namespace
