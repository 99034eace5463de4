#include "sim/mci/play_clock.h"

namespace halvomci {

void PlayClock::reset(uint32_t position) {
  mode_ = Mode::kStopped;
  position_ = position;
  from_ = to_ = started_ = 0;
}

void PlayClock::play(uint32_t from, uint32_t to, uint32_t now) {
  mode_ = Mode::kPlaying;
  from_ = from;
  to_ = to;
  started_ = now;
  position_ = from;
}

void PlayClock::stop(uint32_t now) {
  position_ = position(now);
  mode_ = Mode::kStopped;
}

void PlayClock::pause(uint32_t now) {
  if (mode_ != Mode::kPlaying) return;
  position_ = position(now);
  mode_ = Mode::kPaused;
}

bool PlayClock::resume(uint32_t now) {
  if (mode_ != Mode::kPaused) return false;
  mode_ = Mode::kPlaying;
  from_ = position_;
  started_ = now;
  return true;
}

void PlayClock::seek(uint32_t position) {
  mode_ = Mode::kStopped;
  position_ = position;
}

void PlayClock::jump(uint32_t position, uint32_t now) {
  position_ = position;
  if (mode_ == Mode::kPlaying) {
    from_ = position;
    started_ = now;
  }
}

void PlayClock::hold(uint32_t now) {
  if (held_) return;
  if (mode_ == Mode::kPlaying) position_ = position(now);
  held_ = true;
}

void PlayClock::release(uint32_t now) {
  if (!held_) return;
  held_ = false;
  if (mode_ == Mode::kPlaying) {
    from_ = position_;
    started_ = now;
  }
}

bool PlayClock::update(uint32_t now) {
  if (mode_ != Mode::kPlaying || held_ || ms_to_end(now) > 0) return false;
  position_ = to_;
  mode_ = Mode::kStopped;
  return true;
}

uint32_t PlayClock::position(uint32_t now) const {
  if (mode_ != Mode::kPlaying || held_) return position_;
  if (from_ >= to_) return from_;
  uint64_t elapsed = static_cast<uint32_t>(now - started_);
  uint64_t moved = from_ + elapsed * rate_ / 1000;
  return moved < to_ ? static_cast<uint32_t>(moved) : to_;
}

uint32_t PlayClock::ms_to_end(uint32_t now) const {
  if (mode_ != Mode::kPlaying) return 0;
  if (held_) return kNever;
  if (from_ >= to_) return 0;
  // Rounded up, so the position has reached the end when the time is up.
  uint64_t total = (static_cast<uint64_t>(to_ - from_) * 1000 + rate_ - 1) / rate_;
  uint64_t elapsed = static_cast<uint32_t>(now - started_);
  return elapsed >= total ? 0 : static_cast<uint32_t>(total - elapsed);
}

}  // namespace halvomci
