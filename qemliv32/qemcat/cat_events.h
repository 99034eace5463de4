// qemcat's side of the client: the engine upcalls, printed as lines.
// Frames go straight to the output, so its "queues" are always empty.
//
// Lines on out (one per event; a frame line per frame handed over):
//   frame video|audio NUMBER TIME LENGTH 0xFIRST CHECKSUM
//   error N "text"     fatal "text"     end-of-transmission
//   stats datagrams=.. bytes=.. late=.. late-bytes=.. highest=.. reports=..
//         missing=.. frames=.. video=.. audio=.. error=N
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qemliv32/vtp_client.h"

namespace qem {

// Exit status of qemcat: 0 after the end of transmission, the error number
// (1-18) after an error, and these for what has no error number.
constexpr int kCatUsage = 2;
constexpr int kCatConnectFailedBase = 30;  // + connect failure code 1-10
constexpr int kCatLostSync = 50;

// FNV-1a, how a frame line names the content.
uint32_t frame_checksum(const uint8_t* data, std::size_t len);

class CatEvents : public VtpEvents {
 public:
  using Clock = uint32_t (*)();
  CatEvents(std::FILE* out, Clock clock, bool quiet) : out_(out), clock_(clock), quiet_(quiet) {}

  // What connected() sends: SLIDE_MODE, then OPEN for path.
  void set_request(VtpClient& client, std::string path, uint32_t slide_mode, uint32_t bandwidth);

  // Keeps the client's reception figures while it is not idle (a reset
  // clears them before the last upcall).
  void snapshot(const VtpClient& client);
  void print_summary();

  bool finished() const { return finished_; }
  int exit_status() const { return status_; }

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
  void playback_tick(uint32_t) override {}
  void interface_tick(uint32_t) override {}
  bool video_queue_empty() override { return true; }
  bool audio_queue_empty() override { return true; }
  bool audio_position_advancing() override { return false; }
  uint32_t last_video_time_shown() override { return last_video_time_; }

 private:
  void finish(int status);

  std::FILE* out_;
  Clock clock_;
  bool quiet_;
  VtpClient* client_ = nullptr;
  std::string path_;
  uint32_t slide_mode_ = 0, bandwidth_ = 0;
  bool finished_ = false;
  int status_ = 0;
  int error_ = 0;
  int last_progress_ = -1;
  uint32_t last_video_time_ = 0;
  uint32_t frames_[2] = {0, 0};
  ReportFields stats_;
  std::size_t missing_ = 0;
};

}  // namespace qem
