#include "qemliv32/playback.h"

#include <algorithm>

namespace qem {

namespace {

constexpr int kDecoderNoPicture = 128;
enum Render { kNoPicture = 1, kPicture = 2, kDecoderError = 3 };

constexpr int kFlagShow = 0;
constexpr int kFlagNoDraw = 1;
constexpr int kFlagLost = 2;

// A frame the decoder took without a picture, or of length 1, is left out of
// the statistics; a placeholder always counts (it is the loss figure).
bool counted(const MediaFrame& f, int result) {
  return f.length() == 0 || (result != kNoPicture && f.length() != 1);
}

}  // namespace

void Playback::reset() {
  const int buffer_size = buffer_size_;
  video_.clear();
  audio_.clear();
  stats_.reset();
  strict_loss_ = false;
  has_video_ = false;
  v0_.reset();
  a0_.reset();
  started_ = false;
  origin_.reset();
  start_tick_ = last_step_ = 0;
  lead_ = 0;
  prev_video_number_ = 0;
  skip_counter_ = 0;
  rendered_ = 0;
  decoded_since_format_ = 0;
  audio_started_ = false;
  video_shown_ = false;
  last_video_number_ = last_video_time_ = 0;
  audio_played_ = false;
  last_audio_time_ = 0;
  display_on_ = true;
  displayed_ = false;
  last_display_ = 0;
  largest_time_ = 0;
  buffer_size_ = buffer_size;
}

void Playback::format_changed() { decoded_since_format_ = 0; }
void Playback::set_buffer_size(int ms) { buffer_size_ = ms; }
void Playback::set_strict_loss(bool on) { strict_loss_ = on; }
void Playback::set_has_video(bool on) { has_video_ = on; }

uint32_t Playback::time_origin() const {
  if (started_) return uint32_t(std::clamp<int64_t>(origin_.value_or(0), 0, UINT32_MAX));
  return v0_ ? *v0_ : a0_.value_or(0);
}

// --- offering ---

bool Playback::offer(MediaFrame&& frame) {
  const bool video = frame.stream == MediaStream::video;
  const uint32_t t = frame.time;
  if (video ? (video_shown_ && t <= last_video_time_) : (audio_played_ && t <= last_audio_time_))
    return false;
  if ((video ? video_ : audio_).insert(std::move(frame)) == FrameQueue::Insert::refused)
    return false;
  std::optional<uint32_t>& first = video ? v0_ : a0_;
  if (!first || t < *first) first = t;
  return true;
}

int Playback::progress_percent() const {
  if (buffer_size_ <= 0) return 0;
  auto fill = [this](const FrameQueue& q) -> int64_t {
    if (q.empty()) return 0;
    const int64_t span = int64_t(q.back()->time) - int64_t(q.front()->time);
    return span <= 0 ? 0 : span * 100 / buffer_size_;
  };
  const int64_t p = has_video_ ? std::min(fill(video_), fill(audio_)) : fill(audio_);
  return int(std::min<int64_t>(p, 100));
}

// --- start ---

void Playback::start(uint32_t now) {
  started_ = true;
  const bool audio_led = !v0_;
  origin_.reset();
  if (audio_led) {
    if (a0_) origin_ = *a0_;  // none yet: set by the first step with a frame
  } else {
    origin_ = int64_t(*v0_);
    // Sound from before the first picture is dropped; the first audio frame
    // at or after it becomes the first audio time (and goes too).
    if (a0_ && *a0_ < *v0_ && *v0_ != 0) {
      while (!audio_.empty()) {
        MediaFrame f = audio_.pop_front();
        if (f.time >= *v0_) {
          a0_ = f.time;
          break;
        }
      }
    }
  }

  lead_ = 0;
  if (buffer_size_ > 1 && a0_) {
    const int64_t until = int64_t(*a0_) + buffer_size_ / 2;
    std::optional<uint32_t> last;
    while (!audio_.empty()) {
      MediaFrame f = audio_.pop_front();
      play_lead_frame(f);
      last = f.time;
      if (int64_t(f.time) >= until) break;
    }
    if (last) lead_ = int64_t(*last) - int64_t(*a0_);
  }

  start_tick_ = last_step_ = now;
  if (audio_led && !audio_started_) {
    ports_.start_audio();
    audio_started_ = true;
  }
  display_on_ = false;
  step(now);
  display_on_ = true;
  start_tick_ = last_step_ = now;
}

void Playback::play_lead_frame(const MediaFrame& f) {
  audio_played_ = true;
  last_audio_time_ = f.time;
  const bool played = !ports_.audio_open() || ports_.play_audio(f);
  if (counted(f, played ? kPicture : kNoPicture)) stats_.update(f, kFlagShow);
}

// --- steps ---

void Playback::tick(uint32_t now) {
  if (!started_) return;
  const uint32_t steps = std::min((now - last_step_) / kStepMs + 1, kMaxStepsPerTick);
  for (uint32_t i = 0; i < steps; ++i)
    if (!step(now)) break;
}

bool Playback::step(uint32_t now) {
  last_step_ = now;
  const int64_t elapsed = uint32_t(now - start_tick_);
  if (!origin_) {
    // Nothing was queued at start: the first frame to come is due at once.
    const MediaFrame* first = audio_.front();
    const MediaFrame* v = video_.front();
    if (!first || (v && v->time < first->time)) first = v;
    if (!first) return false;
    origin_ = int64_t(first->time) - elapsed;
  }
  const int64_t origin = *origin_;
  bool took = false;
  if (const MediaFrame* a = audio_.front()) {
    if (elapsed >= int64_t(a->time) - lead_ - origin) {
      MediaFrame f = audio_.pop_front();
      took = true;
      const int result = render(f, kFlagShow, now);
      if (counted(f, result)) stats_.update(f, kFlagShow);
    }
  }
  return video_turn(now, elapsed, origin) || took;
}

bool Playback::video_turn(uint32_t now, int64_t elapsed, int64_t origin) {
  const MediaFrame* next = video_.front();
  if (!next || elapsed + kVideoEarlyMs < int64_t(next->time) - origin) return false;
  MediaFrame f = video_.pop_front();

  int flag = kFlagShow;
  if (has_video_) {
    const int64_t lag =
        audio_started_ ? int64_t(last_audio_time_) - int64_t(f.time) - lead_ : 0;
    if (lag > 100) {
      if (lag < 201) {
        flag = skip_counter_ % 2;
      } else {
        flag = skip_counter_ % 3 != 0;
        ports_.lag_signal(now);
      }
      ++skip_counter_;
    }
    if (lag > 300 && !video_.empty()) {
      ports_.lag_signal(now);
      flag = kFlagNoDraw;
      if (lag > 1000) {
        flush_video(int64_t(last_audio_time_) - lead_);
        if (video_.empty()) return true;
        f = video_.pop_front();
      }
    }
  }

  if (strict_loss_ && (f.length() == 0 || (frame_type(f) != kIntraNormal &&
                                            f.number != prev_video_number_ + 1)))
    flag = kFlagLost;
  prev_video_number_ = f.number;

  const int result = render(f, flag, now);
  if (result == kDecoderError && strict_loss_ && !video_.empty())
    flush_video(int64_t(video_.front()->time) + 10);
  if (counted(f, result)) stats_.update(f, flag);
  return true;
}

void Playback::flush_video(int64_t min_time) {
  video_.flush_until_key(min_time, [this](MediaFrame&& f) {
    ports_.decode_video(f, kFlagLost);
    prev_video_number_ = f.number;
    stats_.update(f, kFlagLost);
  });
}

int Playback::render(const MediaFrame& f, int flag, uint32_t now) {
  ++rendered_;
  if (rendered_ == 1) ports_.first_frame_rendered();
  int result = kPicture;
  if (f.stream == MediaStream::video) {
    ++decoded_since_format_;
    const int code = int16_t(ports_.decode_video(f, flag));
    result = code == kDecoderNoPicture ? kNoPicture : code >= 0 ? kPicture : kDecoderError;
    if (result == kPicture && f.length() > 0 && flag == kFlagShow)
      ports_.draw_picture(rendered_ >= 2);
    if (!audio_started_ && rendered_ >= 2 && a0_ && f.time >= *a0_) {
      ports_.start_audio();
      audio_started_ = true;
    }
    video_shown_ = true;
    last_video_number_ = f.number;
    last_video_time_ = f.time;
  } else {
    audio_played_ = true;
    last_audio_time_ = f.time;
    if (ports_.audio_open() && !ports_.play_audio(f)) return kNoPicture;
  }
  note_time(f, now);
  return result;
}

void Playback::note_time(const MediaFrame& f, uint32_t now) {
  int64_t t = f.time;
  if (f.stream == MediaStream::audio) t -= lead_;
  largest_time_ = std::max(largest_time_, t);
  if (!display_on_) return;
  if (displayed_ && now - last_display_ < kTimeDisplayMs) return;
  displayed_ = true;
  last_display_ = now;
  ports_.show_time(uint32_t(std::min<int64_t>(largest_time_, UINT32_MAX)));
}

}  // namespace qem
