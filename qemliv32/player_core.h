// PlayerCore: the player object without I/O. It owns the VtpClient and the
// playback, answers their upcalls, keeps the player state, the status line
// and the notification target, and decides what a repaint draws. The Win32
// PlayerEngine gives it a PlayerShell (sockets, windows, decoders, sound,
// message boxes, settings) and calls it from the exported functions and the
// window's messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qemliv32/playback.h"
#include "qemliv32/player_geometry.h"
#include "qemliv32/vtp_client.h"

namespace qem {

enum class PlayerState : int {
  idle = 0,
  connecting = 1,
  requesting = 2,
  playing = 3,
  stopped = 4,
  buffering = 5,
};

enum class NotifyKind : int { none = 0, mci = 1, message = 2 };

constexpr std::size_t kMaxStatus = 50;
constexpr std::size_t kMaxScriptUrl = 255;
constexpr uint32_t kClickToPlayHoldMs = 10;
constexpr uint32_t kHeldStatusTextMs = 1000;
constexpr int kConnectFailureDataPort = 6;  // "Data Port In Use"
constexpr int kErrorSoundDevice = 18;

// The QEMPLAY.INI values the player reads at creation and in Configure.
struct PlayerSettings {
  int slide_mode = 0;
  int band_width = 12;
  int interlaced = 1;
  int statistics = 0;
  int buffer_size = 7500;
};

// What a repaint draws with; all rectangles in the output window's client
// coordinates.
class Painter {
 public:
  virtual ~Painter() = default;
  virtual void fill_black(const Rect& r) = 0;
  // The decoder's last picture, stretched into r.
  virtual void draw_picture(const Rect& r, bool interlaced) = 0;
  virtual void draw_idle_picture(const Rect& r) = 0;
  virtual void draw_logo(const Rect& r) = 0;
  // A sunken bevel kBevelWidth wide around r.
  virtual void draw_bevel(const Rect& r) = 0;
  // Hosted mode's status strip: black, the text in white.
  virtual void draw_status_strip(const Rect& strip, const std::string& text) = 0;
};

class PlayerShell {
 public:
  virtual ~PlayerShell() = default;
  virtual uint32_t now() = 0;

  // --- transport ---
  // 0 when the connection is under way, else a connect failure code
  // (6: the data port could not be bound).
  virtual int connect(const std::string& host, uint16_t port) = 0;
  // Closes both sockets; the client hears of it.
  virtual void close_sockets() = 0;
  // Sends what the client queued outside a transport event.
  virtual void send_client_output() = 0;

  // --- settings and files ---
  virtual PlayerSettings read_settings() = 0;
  // "Player ID" made when it is empty.
  virtual void ensure_player_id() = 0;
  virtual std::optional<std::string> read_script(const std::string& path) = 0;
  // Dispatches one pending window message (before a second try at a script).
  virtual void dispatch_one_message() = 0;

  // --- the output window ---
  virtual bool own_window_exists() = 0;
  virtual Rect output_client_rect() = 0;
  virtual void set_own_window_title(const std::string& text) = 0;
  // Paints at once (Painter calls on the output window's device context).
  virtual void paint_now() = 0;
  // Invalidates the output window (erasing its background when asked).
  virtual void invalidate(bool erase) = 0;
  // Draws the status strip now (Hosted mode).
  virtual void draw_status_strip(const Rect& strip, const std::string& text) = 0;
  virtual void draw_logo(const Rect& video) = 0;
  virtual void fill_black(const Rect& r) = 0;
  virtual void bring_own_window_to_top() = 0;
  // Sizes the own window for the video (not in Hosted mode).
  virtual void size_own_window(Size video, bool zoom) = 0;
  virtual void start_logo() = 0;

  // --- decoding and sound ---
  // Makes the frame buffer for a video format block; the video size, or
  // nullopt when it cannot be made.
  virtual std::optional<Size> prepare_video(const uint8_t* format, std::size_t n) = 0;
  virtual int decode_video(const MediaFrame& frame, int flag) = 0;
  virtual bool has_picture() = 0;
  virtual void draw_picture(const Rect& r, bool interlaced, bool palette_allowed) = 0;
  virtual void close_video() = 0;
  virtual bool open_audio(const uint8_t* format, std::size_t n, int buffer_size) = 0;
  virtual bool audio_open() = 0;
  virtual bool play_audio(const MediaFrame& frame) = 0;
  virtual void pause_audio() = 0;
  virtual void restart_audio() = 0;
  virtual void stop_audio() = 0;
  virtual bool audio_position_advancing() = 0;

  // --- messages and notification ---
  virtual void show_error(int number) = 0;
  // Through the outside player program's "/SYSMSG".
  virtual void show_system_message(const std::string& text) = 0;
  // Through lastmsg/lasthdr and "/MSGBOX".
  virtual void show_server_message(const std::string& text, const std::string& title) = 0;
  virtual void notify_mci(uint32_t window, uint32_t device) = 0;
  virtual void post_notify(uint32_t window) = 0;
};

class PlayerCore : private VtpEvents, private PlaybackPorts {
 public:
  explicit PlayerCore(PlayerShell& shell);
  PlayerCore(const PlayerCore&) = delete;
  PlayerCore& operator=(const PlayerCore&) = delete;

  VtpClient& client() { return client_; }

  // Creation after the windows exist: settings read; decoders made by the
  // shell beforehand (media_ready false stops here); the script read; the
  // first status text.
  void create(bool media_ready, const std::string& script);

  // --- the exported functions ---
  void open(const std::string& script);
  void play();
  void play_with_notify(uint32_t window, uint32_t value, NotifyKind kind);
  void stop();
  // The destructor's part: stop sequence; the figure to write to BandWidth
  // given the stored one.
  int destroy(int stored_band_width);
  PlayerState state() const { return state_; }
  int position1000() const;
  void set_hosted(bool hosted);
  WindowMode mode() const { return mode_; }
  void set_explicit_rect(const Rect& r) { explicit_rect_ = r; }
  Rect output_rect() { return output_area(mode_, shell_.output_client_rect(), explicit_rect_); }
  void set_stretch(bool on) { stretch_ = on; }
  void set_zoom(bool on) { zoom_ = on; }
  void show_message(std::string_view text) { show_status(text, 0); }
  // Configure's second half: the dialog has closed.
  void settings_changed();

  // --- the window ---
  void paint(Painter& painter);
  // WM_CLOSE of the own window: the stop sequence, and the client reset so
  // a stream cut off there does not go on draining into a closed decoder.
  void window_closed() { stop(); }

  // --- state for the shell and tests ---
  const std::string& status() const { return status_; }
  const std::string& url() const { return url_; }
  const PlayerSettings& settings() const { return settings_; }

  // The status line: a text with a hold time in ms (0: none).
  void show_status(std::string_view text, uint32_t hold_ms);

 private:
  // VtpEvents
  void progress(int percent) override;
  void error(int number) override;
  void connected() override;
  void disconnected() override;
  void stream_format(uint32_t kind, const uint8_t* format, std::size_t n) override;
  void reception_started(uint32_t now) override;
  void server_text(const ServerText& text) override;
  void end_of_transmission() override;
  void start_playback(uint32_t now) override;
  bool frame(MediaFrame&& frame) override;
  void fatal(std::string_view text) override;
  void playback_tick(uint32_t now) override;
  void interface_tick(uint32_t now) override;
  bool video_queue_empty() override { return playback_.video_queue_empty(); }
  bool audio_queue_empty() override { return playback_.audio_queue_empty(); }
  bool audio_position_advancing() override { return shell_.audio_position_advancing(); }
  uint32_t last_video_time_shown() override { return playback_.last_video_time_shown(); }

  // PlaybackPorts
  int decode_video(const MediaFrame& frame, int flag) override;
  void draw_picture(bool palette_allowed) override;
  bool audio_open() override { return shell_.audio_open(); }
  bool play_audio(const MediaFrame& frame) override { return shell_.play_audio(frame); }
  void start_audio() override { shell_.restart_audio(); }
  void first_frame_rendered() override;
  void show_time(uint32_t largest_time_ms) override;
  void lag_signal(uint32_t now) override { client_.lag_signal(now); }

  void reset_for_play();
  void sync_stream_flags();
  void note_position();
  void stop_sequence();
  void send_notification();
  void set_state(PlayerState s) { state_ = s; }
  Rect current_video_rect();
  bool interlaced_drawing() const {
    return zoom_ && settings_.interlaced != 0 && decoder_interlace_;
  }
  void take_measured_bandwidth();

  PlayerShell& shell_;
  VtpClient client_;
  Playback playback_;
  PlayerSettings settings_;

  WindowMode mode_ = WindowMode::own_popup;
  std::optional<Rect> explicit_rect_;
  bool stretch_ = false;
  bool zoom_ = false;
  Size video_size_ = kInitialVideoSize;
  PlayerState state_ = PlayerState::idle;

  std::string url_;
  std::string path_;
  std::optional<uint32_t> server_version_;
  std::optional<uint32_t> stream_length_;
  bool has_video_length_ = false;
  uint32_t last_number_ = 0;
  uint32_t last_time_ = 0;
  std::string status_;
  std::optional<uint32_t> status_expiry_;
  std::string progress_label_;
  std::string held_text_;
  ServerTextDecision::Show held_kind_ = ServerTextDecision::Show::nothing;

  uint32_t notify_window_ = 0;
  uint32_t notify_value_ = 0;
  NotifyKind notify_kind_ = NotifyKind::none;

  int band_width_ = 12;
  bool in_end_of_transmission_ = false;
  bool video_prepared_ = false;
  // Cleared by the end of transmission: no more interlaced drawing until
  // the next video format.
  bool decoder_interlace_ = true;
};

}  // namespace qem
