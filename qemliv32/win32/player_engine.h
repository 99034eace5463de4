// PlayerEngine: the player object's Win32 side. It owns the "QEM Window",
// the output window's device context, the logo animation, the transport,
// the video decoder and the sound output, and performs what PlayerCore
// decides. One per process; every call on the thread that created it.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "qemliv32/player_core.h"
#include "qemliv32/win32/audio_output.h"
#include "qemliv32/win32/logo_animation.h"
#include "qemliv32/win32/video_decoder.h"
#include "qemliv32/win32/vtp_transport.h"

namespace qem {

class ProfileStore;

constexpr const char* kEngineWindowClass = "QEM Window";
constexpr const char* kEngineWindowTitle = "QEMLive";
constexpr int kEngineClassExtra = 20;
constexpr int kEngineWindowExtra = 20;
constexpr int kIdlePictureId = 104;

class PlayerEngine : private PlayerShell {
 public:
  // QemCreate: null when an engine exists already (the "already in use"
  // message shown through the outside player program).
  static PlayerEngine* create(HWND parent, const std::string& script);
  ~PlayerEngine() override;
  PlayerEngine(const PlayerEngine&) = delete;
  PlayerEngine& operator=(const PlayerEngine&) = delete;

  PlayerCore& core() { return core_; }
  void set_output_window(HWND window);
  void set_output_window_state(int show_command);
  void set_output_rect(const Rect& r);
  void update() { paint_now(); }
  void configure();
  HWND own_window() const { return own_; }

 private:
  PlayerEngine(HWND parent, const std::string& script);
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void use_output_window(HWND window);
  void release_output_dc();

  // PlayerShell
  uint32_t now() override { return GetTickCount(); }
  int connect(const std::string& host, uint16_t port) override;
  void close_sockets() override { transport_.disconnect(); }
  void send_client_output() override { transport_.send_client_output(); }
  PlayerSettings read_settings() override;
  void ensure_player_id() override;
  std::optional<std::string> read_script(const std::string& path) override;
  void dispatch_one_message() override;
  bool own_window_exists() override { return own_ != NULL; }
  Rect output_client_rect() override;
  void set_own_window_title(const std::string& text) override;
  void paint_now() override;
  void invalidate(bool erase) override;
  void draw_status_strip(const Rect& strip, const std::string& text) override;
  void draw_logo(const Rect& video) override;
  void fill_black(const Rect& r) override;
  void bring_own_window_to_top() override;
  void size_own_window(Size video, bool zoom) override;
  void start_logo() override { logo_.restart(); }
  std::optional<Size> prepare_video(const uint8_t* format, std::size_t n) override;
  int decode_video(const MediaFrame& frame, int flag) override;
  bool has_picture() override { return video_ && video_->has_picture(); }
  void draw_picture(const Rect& r, bool interlaced, bool palette_allowed) override;
  void close_video() override;
  bool open_audio(const uint8_t* format, std::size_t n, int buffer_size) override;
  bool audio_open() override { return audio_ && audio_->is_open(); }
  bool play_audio(const MediaFrame& frame) override;
  void pause_audio() override;
  void restart_audio() override;
  void stop_audio() override;
  bool audio_position_advancing() override;
  void show_error(int number) override;
  void show_system_message(const std::string& text) override;
  void show_server_message(const std::string& text, const std::string& title) override;
  void notify_mci(uint32_t window, uint32_t device) override;
  void post_notify(uint32_t window) override;

  ProfileStore& store_;
  PlayerCore core_;
  VtpTransport transport_;
  HINSTANCE instance_ = NULL;
  HWND parent_ = NULL;
  HWND own_ = NULL;
  HWND output_ = NULL;
  HDC output_dc_ = NULL;
  std::unique_ptr<VideoDecoder> video_;
  std::unique_ptr<AudioOutput> audio_;
  LogoAnimation logo_;
  HFONT status_font_ = NULL;
  HBITMAP idle_ = NULL;  // DIB 104
  bool configuring_ = false;
};

}  // namespace qem
