// Playback: the two frame queues played against the millisecond tick count.
// Frames are offered from the data channel while buffering and afterwards;
// start() ends buffering (audio lead, first step), tick() runs the playback
// steps. Everything outside (decoder, drawing, wave device, status, the lag
// notice) is reached through PlaybackPorts, so the clock, the skip rules and
// the statistics run natively under a simulated clock.
//
// Tick counts are compared wrap-safe; stream times are plain values that a
// hostile server may send in any order, so all time arithmetic is signed
// 64-bit.
//
// Choices where the rules leave room or would go wrong:
// - The clock's origin is fixed by start(): the first video time, or for a
//   stream with no video frame queued by then the first audio time. Such a
//   stream is led by its audio: the wave device starts with the start step
//   instead of waiting for a video frame that may never come. With nothing
//   queued at all, the first frame to arrive is due when it arrives.
// - The first audio time keeps its value at start unless audio older than the
//   first video time is dropped; the audio lead is the audio actually written
//   ahead (0 when none was), so streams whose times do not start near 0 keep
//   their sound in step.
// - Video lags audio only once the audio has started: before, video is the
//   clock and is never skipped for being "behind" sound nobody hears yet.
// - A placeholder is counted in the statistics whatever the decoder answers,
//   so lost video frames show in the loss figures.
// - At most kMaxStepsPerTick steps run per tick (one second's worth): a longer
//   stall is made up over the next ticks and by the skip rules. A step in
//   which nothing was due ends the tick's steps early (the rest would do
//   nothing).
#pragma once

#include <cstdint>
#include <optional>

#include "qemliv32/frame_queue.h"
#include "qemliv32/media_frame.h"
#include "qemliv32/reception_stats.h"

namespace qem {

class PlaybackPorts {  // what playback reaches outside itself
 public:
  virtual ~PlaybackPorts() = default;
  virtual int decode_video(const MediaFrame& frame, int flag) = 0;  // decoder code (signed 16-bit)
  virtual void draw_picture(bool palette_allowed) = 0;  // the decoder's picture into the video rectangle
  virtual bool audio_open() = 0;
  virtual bool play_audio(const MediaFrame& frame) = 0;   // decode + write; false: decoding failed
  virtual void start_audio() = 0;                         // the wave device leaves its pause
  virtual void first_frame_rendered() = 0;                // "Playing...", state 3, black video rectangle
  virtual void show_time(uint32_t largest_time_ms) = 0;   // time display (then state 3)
  virtual void lag_signal(uint32_t now) = 0;              // VtpClient::lag_signal
};

class Playback {
 public:
  static constexpr uint32_t kStepMs = 30;
  static constexpr uint32_t kMaxStepsPerTick = 34;
  static constexpr int64_t kVideoEarlyMs = 100;
  static constexpr uint32_t kTimeDisplayMs = 1024;

  explicit Playback(PlaybackPorts& ports) : ports_(ports) {}
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  // Per play and on stop: queues, variables, statistics, the strict-loss and
  // has-video flags. The buffer size is kept.
  void reset();
  void format_changed();               // a video format arrived: decoded-frame counter cleared
  void set_buffer_size(int ms);        // BufferSize as configured
  void set_strict_loss(bool on);
  // The stream announced video: the skip rules apply, and the buffering
  // progress waits for both queues (audio alone otherwise).
  void set_has_video(bool on);
  bool offer(MediaFrame&& frame);      // offering rules; false: refused (and released)
  int progress_percent() const;        // buffering progress, 0..100, 0 with BufferSize 0
  void start(uint32_t now);            // the start rule (audio lead, first step)
  void tick(uint32_t now);             // (now - last)/30 + 1 playback steps, at most kMaxStepsPerTick
  bool started() const { return started_; }

  bool video_queue_empty() const { return video_.empty(); }
  bool audio_queue_empty() const { return audio_.empty(); }
  const FrameQueue& video_queue() const { return video_; }
  const FrameQueue& audio_queue() const { return audio_; }
  uint32_t last_video_time_shown() const { return last_video_time_; }
  uint32_t last_video_number() const { return last_video_number_; }  // for GetPos1000
  uint32_t last_video_time() const { return last_video_time_; }
  int frames_decoded_since_format() const { return decoded_since_format_; }
  const ReceptionStats& stats() const { return stats_; }

  // The audio written ahead at start (ms, may be negative in hostile streams).
  int64_t audio_lead_ms() const { return lead_; }
  // Stream time at which playback started (the rates' base): the clock's
  // origin once started, before that the first video (or audio) time, else 0.
  uint32_t time_origin() const;
  // Both streams' kbit/s since the time origin, for the BandWidth figure.
  uint32_t measured_bandwidth_kbps() const { return stats_.measured_bandwidth_kbps(time_origin()); }

 private:
  bool step(uint32_t now);
  bool video_turn(uint32_t now, int64_t elapsed, int64_t origin);
  int render(const MediaFrame& frame, int flag, uint32_t now);
  void play_lead_frame(const MediaFrame& frame);
  void flush_video(int64_t min_time);
  void note_time(const MediaFrame& frame, uint32_t now);

  PlaybackPorts& ports_;
  FrameQueue video_;
  FrameQueue audio_;
  ReceptionStats stats_;
  int buffer_size_ = 7500;
  bool strict_loss_ = false;
  bool has_video_ = false;

  std::optional<uint32_t> v0_;  // first (smallest) queued video time
  std::optional<uint32_t> a0_;  // first audio time
  bool started_ = false;
  std::optional<int64_t> origin_;  // stream time at the start tick
  uint32_t start_tick_ = 0;
  uint32_t last_step_ = 0;
  int64_t lead_ = 0;

  uint32_t prev_video_number_ = 0;  // last video frame passed to the decoder
  uint32_t skip_counter_ = 0;
  uint32_t rendered_ = 0;
  int decoded_since_format_ = 0;
  bool audio_started_ = false;

  bool video_shown_ = false;
  uint32_t last_video_number_ = 0;
  uint32_t last_video_time_ = 0;
  bool audio_played_ = false;
  uint32_t last_audio_time_ = 0;

  bool display_on_ = true;
  bool displayed_ = false;
  uint32_t last_display_ = 0;
  int64_t largest_time_ = 0;
};

}  // namespace qem
