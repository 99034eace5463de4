// An engine stand-in for the transport fuzz targets: takes every frame,
// answers the tick's queries from a few bits of the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "qemliv32/vtp_client.h"

namespace qem_fuzz {

inline void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) qem_fuzz::check_at((x), #x, __LINE__)

class Engine : public qem::VtpEvents {
 public:
  uint8_t answers = 0;
  std::size_t frames = 0;
  std::size_t frame_bytes = 0;

  void progress(int percent) override { check(percent == 0 || percent == 100); }
  void error(int number) override { check(number >= 1 && number <= 18); }
  void connected() override {}
  void disconnected() override {}
  void stream_format(uint32_t, const uint8_t* format, std::size_t n) override {
    for (std::size_t i = 0; i < n; ++i) frame_bytes += format[i];  // touch every byte
  }
  void reception_started(uint32_t) override {}
  void server_text(const qem::ServerText& t) override { check(t.action() >= 1 && t.action() <= 6); }
  void end_of_transmission() override {}
  void start_playback(uint32_t) override {}
  bool frame(qem::MediaFrame&& f) override {
    ++frames;
    if (f.length()) frame_bytes += f.data()[0] + f.data()[f.length() - 1];
    return answers & 1;
  }
  void fatal(std::string_view) override {}
  void playback_tick(uint32_t) override {}
  void interface_tick(uint32_t) override {}
  bool video_queue_empty() override { return answers & 2; }
  bool audio_queue_empty() override { return answers & 4; }
  bool audio_position_advancing() override { return answers & 8; }
  uint32_t last_video_time_shown() override { return answers * 1000u; }
};

// Every byte the client wants written must frame cleanly as whole messages.
inline void check_output(const std::vector<uint8_t>& out) {
  qem::ControlStreamReader reader;
  std::size_t at = 0;
  while (at < out.size()) {
    std::size_t used = 0;
    qem::PacketBuffer m;
    auto status = reader.read(out.data() + at, out.size() - at, used, m);
    check(status == qem::ControlStreamReader::Status::message);
    check(m.size() >= 4);
    at += used;
  }
}

}  // namespace qem_fuzz
