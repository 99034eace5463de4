#include "sim/mci/play_clock.h"

#include <gtest/gtest.h>

namespace halvomci {
namespace {

// Milliseconds, as the file and video devices count.
class PlayClockTest : public ::testing::Test {
 protected:
  PlayClock clock{1000};
};

TEST_F(PlayClockTest, HoldStopsTheClockButNotThePlay) {
  clock.play(0, 2000, 0);
  clock.hold(500);
  struct Step { uint32_t now; uint32_t position; } held[] = {{500, 500}, {3000, 500}, {90000, 500}};
  for (const Step& s : held) {
    EXPECT_FALSE(clock.update(s.now)) << s.now;
    EXPECT_EQ(Mode::kPlaying, clock.mode()) << s.now;
    EXPECT_EQ(s.position, clock.position(s.now)) << s.now;
    EXPECT_EQ(PlayClock::kNever, clock.ms_to_end(s.now)) << s.now;
  }
  clock.release(10000);
  EXPECT_FALSE(clock.held());
  EXPECT_EQ(1000u, clock.position(10500));
  EXPECT_EQ(1500u, clock.ms_to_end(10000));
  EXPECT_FALSE(clock.update(11499));
  EXPECT_TRUE(clock.update(11500));
  EXPECT_EQ(2000u, clock.position(11500));
}

TEST_F(PlayClockTest, JumpKeepsTheMode) {
  struct Case {
    const char* name;
    void (*setup)(PlayClock&);
    uint32_t jump_to;
    Mode mode_after;
    uint32_t position_1s_later;
  };
  const Case cases[] = {
      {"playing goes on from there", [](PlayClock& c) { c.play(0, 10000, 0); }, 7000,
       Mode::kPlaying, 8000},
      {"held stays there", [](PlayClock& c) { c.play(0, 10000, 0); c.hold(0); }, 7000,
       Mode::kPlaying, 7000},
      {"paused stays paused", [](PlayClock& c) { c.play(0, 10000, 0); c.pause(100); }, 7000,
       Mode::kPaused, 7000},
      {"stopped only moves", [](PlayClock& c) { c.reset(0); }, 7000, Mode::kStopped, 7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayClock clock(1000);
    c.setup(clock);
    clock.jump(c.jump_to, 1000);
    EXPECT_FALSE(clock.update(2000));
    EXPECT_EQ(c.mode_after, clock.mode());
    EXPECT_EQ(c.position_1s_later, clock.position(2000));
  }
}

TEST_F(PlayClockTest, JumpPastTheEndEndsThePlayAtOnce) {
  clock.play(0, 4000, 0);
  clock.jump(4500, 1000);
  EXPECT_EQ(0u, clock.ms_to_end(1000));
  EXPECT_TRUE(clock.update(1000));
  EXPECT_EQ(Mode::kStopped, clock.mode());
  EXPECT_EQ(4000u, clock.position(1000));
}

TEST_F(PlayClockTest, AHoldOutlivesStopsPlaysAndResets) {
  clock.hold(0);
  clock.reset(300);
  clock.play(300, 5000, 1000);
  EXPECT_EQ(300u, clock.position(4000));  // a play started while held stands still
  clock.pause(4000);
  EXPECT_TRUE(clock.resume(6000));
  EXPECT_EQ(300u, clock.position(9000));
  clock.release(9000);
  EXPECT_EQ(1300u, clock.position(10000));
  clock.hold(10000);
  clock.hold(12000);  // a second hold keeps the first position
  clock.release(12000);
  EXPECT_EQ(1800u, clock.position(12500));
}

TEST(PlayClockFrames, CountsInItsRate) {
  PlayClock clock(75);
  clock.play(150, 150 + 75 * 4, 0);
  EXPECT_EQ(150u + 75, clock.position(1000));
  EXPECT_EQ(3000u, clock.ms_to_end(1000));
  clock.hold(1000);
  clock.jump(150 + 75 * 3, 5000);
  clock.release(5000);
  EXPECT_EQ(1000u, clock.ms_to_end(5000));
}

}  // namespace
}  // namespace halvomci
