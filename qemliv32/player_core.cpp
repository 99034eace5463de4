#include "qemliv32/player_core.h"

#include <cstdio>

#include "qemliv32/HTTP/qem_url.h"
#include "qemliv32/messages.h"
#include "qemliv32/script_file.h"

namespace qem {

namespace {

// Error 18 is shown once per process, whichever engine meets it.
bool g_sound_error_shown = false;

// Longest server text kept for the end of transmission; the message paths
// cut it further.
constexpr std::size_t kMaxHeldText = 1024;

bool expired(uint32_t now, uint32_t expiry) { return int32_t(now - expiry) >= 0; }

}  // namespace

PlayerCore::PlayerCore(PlayerShell& shell) : shell_(shell), client_(*this), playback_(*this) {}

void PlayerCore::create(bool media_ready, const std::string& script) {
  settings_ = shell_.read_settings();
  band_width_ = settings_.band_width;
  playback_.set_buffer_size(settings_.buffer_size);
  if (!media_ready) return;
  if (!script.empty()) open(script);
  shell_.size_own_window(kInitialVideoSize, zoom_);
  stretch_ = true;
  show_status(kStatusClickToPlay, kClickToPlayHoldMs);
}

void PlayerCore::open(const std::string& script) {
  std::optional<std::string> url = shell_.read_script(script);
  if (!url) {
    shell_.dispatch_one_message();
    url = shell_.read_script(script);
  }
  if (!url) {
    shell_.show_error(kErrorScriptUnreadable);
    return;
  }
  url_ = url->substr(0, kMaxScriptUrl);
}

void PlayerCore::reset_for_play() {
  shell_.ensure_player_id();
  status_.clear();
  status_expiry_.reset();
  server_version_.reset();
  stream_length_.reset();
  has_video_length_ = false;
  last_number_ = 0;
  last_time_ = 0;
  playback_.reset();
  playback_.set_strict_loss(false);
  progress_label_ = kStatusReceiving;
  held_text_.clear();
  held_kind_ = ServerTextDecision::Show::nothing;
  video_prepared_ = false;
}

void PlayerCore::play() {
  reset_for_play();
  if (url_.empty()) return;
  QemUrlResult parsed = parse_qem_url(url_);
  if (parsed.error != QemUrlError::none) return;
  path_ = parsed.url.path;
  show_status(kStatusConnecting, 0);
  state_ = PlayerState::connecting;
  shell_.pause_audio();
  int failure = shell_.connect(parsed.url.host, parsed.url.port);
  if (failure != 0) {
    show_status(failure == kConnectFailureDataPort ? kStatusDataPortInUse : kStatusNoServer, 0);
    state_ = PlayerState::idle;
    shell_.invalidate(true);
    shell_.paint_now();
    return;
  }
  shell_.invalidate(true);
  shell_.start_logo();
}

void PlayerCore::play_with_notify(uint32_t window, uint32_t value, NotifyKind kind) {
  notify_window_ = window & 0xFFFF;
  notify_value_ = value;
  notify_kind_ = kind;
  play();
}

void PlayerCore::stop() {
  show_status(kStatusStop, 0);
  state_ = PlayerState::stopped;
  stop_sequence();
  client_.reset();
  if (client_.disconnect_requested()) shell_.close_sockets();
}

int PlayerCore::destroy(int stored_band_width) {
  stop();
  return bandwidth_to_store(stored_band_width, band_width_);
}

void PlayerCore::stop_sequence() {
  take_measured_bandwidth();
  playback_.reset();
  shell_.close_video();
  shell_.stop_audio();
  show_status(kStatusStop, 0);
  state_ = PlayerState::stopped;
  shell_.invalidate(true);
  send_notification();
}

void PlayerCore::take_measured_bandwidth() {
  const ReceptionStats& stats = playback_.stats();
  if (stats.stream(MediaStream::video).frames + stats.stream(MediaStream::audio).frames == 0) return;
  band_width_ = bandwidth_after_play(band_width_, int(playback_.measured_bandwidth_kbps()));
}

void PlayerCore::send_notification() {
  NotifyKind kind = notify_kind_;
  notify_kind_ = NotifyKind::none;
  if (kind == NotifyKind::mci) shell_.notify_mci(notify_window_, notify_value_);
  if (kind == NotifyKind::message) shell_.post_notify(notify_window_);
}

int PlayerCore::position1000() const {
  return pos1000(server_version_, last_number_, last_time_, stream_length_);
}

void PlayerCore::set_hosted(bool hosted) {
  mode_ = hosted ? WindowMode::hosted : WindowMode::own_popup;
  explicit_rect_.reset();
}

void PlayerCore::settings_changed() {
  int slide_mode = settings_.slide_mode;
  PlayerSettings fresh = shell_.read_settings();
  settings_.interlaced = fresh.interlaced;
  settings_.slide_mode = fresh.slide_mode;
  if (settings_.slide_mode != slide_mode && state_ != PlayerState::idle) {
    client_.send_slide_mode(uint32_t(settings_.slide_mode));
    shell_.send_client_output();
  }
  shell_.paint_now();
}

// --- status line ---

void PlayerCore::show_status(std::string_view text, uint32_t hold_ms) {
  if (!shell_.own_window_exists()) return;
  uint32_t now = shell_.now();
  if (hold_ms != 0) {
    status_expiry_ = now + hold_ms;
  } else if (status_expiry_) {
    if (!expired(now, *status_expiry_)) return;
    status_expiry_.reset();
  }
  status_.assign(text.substr(0, kMaxStatus));
  if (mode_ == WindowMode::hosted)
    shell_.draw_status_strip(status_strip(shell_.output_client_rect(), explicit_rect_), status_);
  else
    shell_.set_own_window_title(status_);
}

// --- drawing ---

Rect PlayerCore::current_video_rect() {
  return video_rect(output_rect(), stretch_, zoom_, video_size_);
}

void PlayerCore::paint(Painter& painter) {
  Rect v = current_video_rect();
  if (playback_.frames_decoded_since_format() > 0 && shell_.has_picture()) {
    if (zoom_) painter.fill_black(v);
    painter.draw_picture(v, interlaced_drawing());
  } else {
    switch (state_) {
      case PlayerState::idle:
        painter.draw_idle_picture(v);
        break;
      case PlayerState::connecting:
      case PlayerState::requesting:
      case PlayerState::buffering:
        painter.draw_logo(v);
        break;
      case PlayerState::playing:
      case PlayerState::stopped:
        painter.fill_black(v);
        break;
    }
  }
  painter.draw_bevel(bevel_rect(v));
  if (mode_ == WindowMode::hosted)
    painter.draw_status_strip(status_strip(shell_.output_client_rect(), explicit_rect_), status_);
}

// --- upcalls of the client ---

void PlayerCore::progress(int percent) {
  // A Stop taken while an upcall waited on the system (opening the sound
  // device lets sent messages in) leaves the client idle; what the upcall's
  // message goes on to report is no longer so.
  if (client_.state() == ProtocolState::idle) return;
  if (percent >= 100) {
    show_status(kStatusWait, 0);
  } else {
    char text[kMaxProgressLabel + 16];
    std::snprintf(text, sizeof text, kStatusProgressFormat, progress_label_.c_str(),
                  percent < 0 ? 0 : percent / 5 * 5);
    show_status(text, 0);
  }
  state_ = PlayerState::buffering;
}

void PlayerCore::error(int number) { shell_.show_error(number); }

void PlayerCore::connected() {
  show_status(kStatusConnected, 0);
  show_status(kStatusRequesting, 0);
  state_ = PlayerState::requesting;
  client_.send_slide_mode(uint32_t(settings_.slide_mode));
  client_.send_play_request(path_, uint32_t(band_width_), shell_.now());
}

void PlayerCore::disconnected() {
  stop_sequence();
  state_ = PlayerState::idle;
  show_status(kStatusDisconnected, 0);
}

void PlayerCore::stream_format(uint32_t kind, const uint8_t* format, std::size_t n) {
  // The position is the video's: an audio length counts only while no video
  // length is known.
  if (kind != 0 || !has_video_length_) stream_length_ = client_.stream_length();
  if (kind != 0) has_video_length_ = true;
  if (kind == 0) {
    if (!shell_.open_audio(format, n, settings_.buffer_size)) {
      shell_.pause_audio();
      if (!g_sound_error_shown) {
        g_sound_error_shown = true;
        shell_.show_error(kErrorSoundDevice);
      }
    }
    return;
  }
  playback_.format_changed();
  decoder_interlace_ = true;
  if (mode_ != WindowMode::hosted) shell_.bring_own_window_to_top();
  std::optional<Size> size = shell_.prepare_video(format, n);
  if (!size) {
    video_prepared_ = false;
    shell_.show_system_message(kNoVideoFrame);
    return;
  }
  video_size_ = *size;
  video_prepared_ = true;
  if (mode_ != WindowMode::hosted) shell_.size_own_window(video_size_, zoom_);
  shell_.invalidate(true);
  shell_.paint_now();
}

void PlayerCore::reception_started(uint32_t) { progress(0); }

void PlayerCore::server_text(const ServerText& text) {
  ServerTextDecision d = decide_server_text(text.flags, text.display_ms);
  if (d.replaces_label) progress_label_ = progress_label(text.text);
  std::string_view body = std::string_view(text.text).substr(0, kMaxHeldText);
  if (d.show == ServerTextDecision::Show::message_box) {
    if (d.now)
      shell_.show_server_message(std::string(body), kServerMessageTitle);
    else
      held_text_.assign(body), held_kind_ = d.show;
  } else if (d.show == ServerTextDecision::Show::status_line) {
    if (d.now)
      show_status(body, d.display_ms);
    else
      held_text_.assign(body), held_kind_ = d.show;
  }
}

void PlayerCore::end_of_transmission() {
  if (in_end_of_transmission_) return;
  in_end_of_transmission_ = true;
  show_status(kStatusEndOfTransmission, 0);
  decoder_interlace_ = false;
  if (held_kind_ == ServerTextDecision::Show::status_line)
    show_status(held_text_, kHeldStatusTextMs);
  else if (held_kind_ == ServerTextDecision::Show::message_box)
    shell_.show_server_message(held_text_, kServerMessageTitle);
  held_text_.clear();
  held_kind_ = ServerTextDecision::Show::nothing;
  send_notification();
  in_end_of_transmission_ = false;
}

void PlayerCore::sync_stream_flags() {
  playback_.set_strict_loss(client_.strict_loss());
  playback_.set_has_video(client_.stream_has_video());
  if (client_.server_version()) server_version_ = client_.server_version();
}

void PlayerCore::note_position() {
  if (!playback_.started()) return;
  last_number_ = playback_.last_video_number();
  last_time_ = playback_.last_video_time();
}

void PlayerCore::start_playback(uint32_t now) {
  sync_stream_flags();
  playback_.start(now);
  note_position();
}

bool PlayerCore::frame(MediaFrame&& frame) {
  sync_stream_flags();
  bool video = frame.stream == MediaStream::video;
  bool taken = playback_.offer(std::move(frame));
  if (video && client_.buffering()) progress(playback_.progress_percent());
  return taken;
}

void PlayerCore::fatal(std::string_view text) { shell_.show_system_message(std::string(text)); }

void PlayerCore::playback_tick(uint32_t now) {
  sync_stream_flags();
  playback_.tick(now);
  note_position();
}

void PlayerCore::interface_tick(uint32_t) {
  if (state_ == PlayerState::connecting || state_ == PlayerState::requesting ||
      state_ == PlayerState::buffering)
    shell_.draw_logo(current_video_rect());
}

// --- playback's ports ---

int PlayerCore::decode_video(const MediaFrame& frame, int flag) {
  if (!video_prepared_) return -1;
  return shell_.decode_video(frame, flag);
}

void PlayerCore::draw_picture(bool palette_allowed) {
  shell_.draw_picture(current_video_rect(), interlaced_drawing(), palette_allowed);
}

void PlayerCore::first_frame_rendered() {
  show_status(kStatusPlaying, 0);
  state_ = PlayerState::playing;
  shell_.fill_black(current_video_rect());
}

void PlayerCore::show_time(uint32_t largest_time_ms) {
  char text[64];
  std::snprintf(text, sizeof text, kStatusPlayingTimeFormat, long(largest_time_ms / 3600000),
                long(largest_time_ms / 60000 % 60), long(largest_time_ms / 1000 % 60));
  show_status(text, 0);
  state_ = PlayerState::playing;
}

}  // namespace qem
