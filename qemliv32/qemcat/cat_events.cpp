#include "qemliv32/qemcat/cat_events.h"

#include "qemliv32/qemcat/cat_setup.h"

namespace qem {

namespace {

// A text on one line: line feeds as "\n", quotes escaped.
std::string quoted(std::string_view s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '\n') {
      q += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

}  // namespace

uint32_t frame_checksum(const uint8_t* data, std::size_t len) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < len; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

void CatEvents::set_request(VtpClient& client, std::string path, uint32_t slide_mode,
                            uint32_t bandwidth) {
  client_ = &client;
  path_ = std::move(path);
  slide_mode_ = slide_mode;
  bandwidth_ = bandwidth;
}

void CatEvents::snapshot(const VtpClient& client) {
  if (client.state() == ProtocolState::idle) return;
  stats_ = client.loss_reporter().fields();
  missing_ = client.loss_reporter().missing().size();
}

void CatEvents::print_summary() {
  std::fprintf(out_,
               "stats datagrams=%u bytes=%u late=%u late-bytes=%u highest=%u reports=%u "
               "missing=%zu frames=%u video=%u audio=%u error=%d\n",
               stats_.datagrams, stats_.bytes, stats_.late_datagrams, stats_.late_bytes,
               stats_.highest_sequence, stats_.counter, missing_, frames_[0] + frames_[1],
               frames_[0], frames_[1], error_);
  std::fflush(out_);
}

void CatEvents::finish(int status) {
  if (finished_) return;
  finished_ = true;
  status_ = status;
}

void CatEvents::progress(int percent) {
  if (percent == last_progress_) return;
  last_progress_ = percent;
  std::fprintf(out_, "progress %d\n", percent);
}

void CatEvents::error(int number) {
  std::string text = cat_error_text(number);
  std::fprintf(out_, "error %d %s\n", number, quoted(text).c_str());
  if (cat_error_lets_playback_go_on(number)) return;
  error_ = number;
  finish(number);
}

void CatEvents::connected() {
  std::fprintf(out_, "connected\n");
  if (!client_) return;
  client_->send_slide_mode(slide_mode_);
  client_->send_play_request(path_, bandwidth_, clock_());
}

void CatEvents::disconnected() { std::fprintf(out_, "disconnected\n"); }

void CatEvents::stream_format(uint32_t kind, const uint8_t*, std::size_t n) {
  std::fprintf(out_, "format %s %zu\n", kind == 0 ? "audio" : "video", n);
}

void CatEvents::reception_started(uint32_t) { std::fprintf(out_, "reception\n"); }

void CatEvents::server_text(const ServerText& text) {
  std::fprintf(out_, "server-text flags=0x%x time=%u %s\n", text.flags, text.display_ms,
               quoted(text.text).c_str());
}

void CatEvents::end_of_transmission() {
  std::fprintf(out_, "end-of-transmission\n");
  finish(error_);
}

void CatEvents::start_playback(uint32_t) { std::fprintf(out_, "playback\n"); }

bool CatEvents::frame(MediaFrame&& f) {
  int s = f.stream == MediaStream::video ? 0 : 1;
  ++frames_[s];
  if (s == 0) last_video_time_ = f.time;
  if (!quiet_)
    std::fprintf(out_, "frame %s %u %u %zu 0x%02x %08x\n", s == 0 ? "video" : "audio", f.number,
                 f.time, f.length(), f.length() ? f.data()[0] : 0,
                 frame_checksum(f.data(), f.length()));
  return true;
}

void CatEvents::fatal(std::string_view text) {
  std::fprintf(out_, "fatal %s\n", quoted(text).c_str());
  finish(kCatLostSync);
}

}  // namespace qem
