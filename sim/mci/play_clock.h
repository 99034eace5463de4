// A play between two positions as the simulated MCI devices keep it,
// moved on by a clock the caller passes in (milliseconds, wrapping like
// GetTickCount). Positions count in units of which `rate` make a second:
// 75 frames for CDs, 1000 for devices counting in milliseconds.
//
// A hold stops the clock without changing the mode: a playing device goes
// on reporting that it plays, at the held position, and its play does not
// end until the hold is released.
#pragma once

#include <cstdint>

namespace halvomci {

enum class Mode { kStopped, kPlaying, kPaused };

class PlayClock {
 public:
  // ms_to_end while a held play is not moving.
  static constexpr uint32_t kNever = 0xFFFFFFFF;

  explicit PlayClock(uint32_t rate) : rate_(rate) {}

  // Stopped at a position (a hold stays).
  void reset(uint32_t position);
  // Plays [from, to) from now; from >= to is a play that ends at once.
  void play(uint32_t from, uint32_t to, uint32_t now);
  void stop(uint32_t now);
  void pause(uint32_t now);
  // Continues a paused play; false when not paused.
  bool resume(uint32_t now);
  // Stopped at a position.
  void seek(uint32_t position);
  // The position moves without changing the mode: a play goes on from it
  // (and ends at once when it is at or past the play's end).
  void jump(uint32_t position, uint32_t now);

  void hold(uint32_t now);
  void release(uint32_t now);
  bool held() const { return held_; }

  // Moves the state on to now: true once, when a play reaches its end.
  bool update(uint32_t now);
  Mode mode() const { return mode_; }
  uint32_t position(uint32_t now) const;
  uint32_t play_end() const { return to_; }
  // Milliseconds until the play ends: 0 when not playing, kNever when held.
  uint32_t ms_to_end(uint32_t now) const;

 private:
  uint32_t rate_;
  Mode mode_ = Mode::kStopped;
  bool held_ = false;
  uint32_t position_ = 0;  // while not playing, or playing and held
  uint32_t from_ = 0;      // while playing: the position at started_
  uint32_t to_ = 0;
  uint32_t started_ = 0;
};

}  // namespace halvomci
