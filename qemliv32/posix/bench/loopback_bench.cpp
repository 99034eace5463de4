// Loopback receive rate: the same datagrams of a generated clip, sent over
// a UDP loopback socket round after round, received either by a bare loop
// (recv into a buffer) or by the POSIX shell's read path feeding the full
// client data path (walk, loss reporter, fragments, frame hand-off, tick).
// The sender sends in windows the receiver releases, so nothing is lost
// and both modes see every datagram.
//
//   loopback_bench [rounds] [video frames]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "qemliv32/vtp_client.h"
#include "sim/server/clip.h"

namespace {

constexpr std::size_t kWindow = 16;  // datagrams per window; two windows in flight

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

uint32_t now_ms() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The engine side reduced to counting what it is handed.
class CountingEvents : public qem::VtpEvents {
 public:
  qem::VtpClient* client = nullptr;
  uint64_t frames = 0, bytes = 0, first_sum = 0;
  void progress(int) override {}
  void error(int) override {}
  void connected() override { client->send_play_request("/bench", 12, now_ms()); }
  void disconnected() override {}
  void stream_format(uint32_t, const uint8_t*, std::size_t) override {}
  void reception_started(uint32_t) override {}
  void server_text(const qem::ServerText&) override {}
  void end_of_transmission() override {}
  void start_playback(uint32_t) override {}
  bool frame(qem::MediaFrame&& f) override {
    ++frames;
    bytes += f.length();
    if (f.length()) first_sum += f.data()[0];
    return true;
  }
  void fatal(std::string_view) override {}
  void playback_tick(uint32_t) override {}
  void interface_tick(uint32_t) override {}
  bool video_queue_empty() override { return true; }
  bool audio_queue_empty() override { return true; }
  bool audio_position_advancing() override { return false; }
  uint32_t last_video_time_shown() override { return 0; }
};

// Releases the sender one window at a time.
class Window {
 public:
  void release() {
    std::lock_guard<std::mutex> l(m_);
    ++released_;
    cv_.notify_one();
  }
  void wait(std::size_t n) {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [&] { return released_ >= n; });
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::size_t released_ = 0;
};

void send_round(int fd, const sockaddr_in& to, const std::vector<vsrv::Bytes>& dgs, Window& w) {
  for (std::size_t i = 0; i < dgs.size(); ++i) {
    if (i % kWindow == 0) w.wait(i / kWindow);
    sendto(fd, dgs[i].data(), dgs[i].size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
}

struct Result {
  double seconds = 0;
  uint64_t frames = 0;
};

// One round received by the bare loop or through the client.
Result receive_round(int fd, const std::vector<vsrv::Bytes>& dgs, bool full, int send_fd,
                     const sockaddr_in& to) {
  Window w;
  CountingEvents ev;
  qem::VtpClient client(ev);
  ev.client = &client;
  if (full) {
    uint32_t now = now_ms();
    client.on_connect_started(now, 1);
    client.on_connected(now, qem::HandshakeDetails{});
    const uint8_t code7[] = {0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 7};
    client.on_control_bytes(code7, sizeof code7, now);
    client.take_output();
  }
  w.release();
  std::thread sender([&] { send_round(send_fd, to, dgs, w); });
  auto t0 = std::chrono::steady_clock::now();
  uint32_t next_tick = now_ms() + qem::kTickIntervalMs;
  static uint8_t bare[65536];
  for (std::size_t got = 0; got < dgs.size();) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 2000) == 0) {
      std::fprintf(stderr, "  datagrams lost on loopback: round abandoned\n");
      std::exit(1);
    }
    if (!full) {
      if (recv(fd, bare, sizeof bare, MSG_DONTWAIT) < 0) continue;
    } else {
      // The POSIX shell's read: FIONREAD, a block of that size, one datagram.
      int pending = 0;
      ioctl(fd, FIONREAD, &pending);
      qem::PacketBuffer b = qem::PacketBuffer::allocate(std::size_t(pending > 0 ? pending : 1),
                                                        qem::PacketBuffer::Channel::data);
      ssize_t n = recv(fd, b.data(), b.size(), MSG_DONTWAIT);
      if (n < 0) continue;
      b.trim(std::size_t(n));
      b.set_received(std::size_t(n));
      uint32_t now = now_ms();
      client.on_datagram(std::move(b), now);
      if (int32_t(now - next_tick) >= 0) {
        next_tick = now + qem::kTickIntervalMs;
        client.on_tick(now);
        client.take_output();
      }
    }
    if (++got % kWindow == 0) w.release();
  }
  Result r;
  r.seconds = seconds_since(t0);
  sender.join();
  r.frames = ev.frames;
  return r;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
  vsrv::ClipShape shape;
  shape.video_frames = argc > 2 ? uint32_t(std::atoi(argv[2])) : 20000;
  auto packed = vsrv::pack_clip(shape, 1400, 1);
  std::vector<vsrv::Bytes> dgs;
  uint64_t total = 0;
  for (std::size_t i = 0; i < packed.size(); ++i) {
    vsrv::Bytes b = packed[i].bytes;
    uint32_t seq = uint32_t(i + 1);
    b[0] = uint8_t(seq >> 24), b[1] = uint8_t(seq >> 16), b[2] = uint8_t(seq >> 8), b[3] = uint8_t(seq);
    total += b.size();
    dgs.push_back(std::move(b));
  }
  std::size_t clip_frames = vsrv::clip_frames(shape).size();

  int rx = socket(AF_INET, SOCK_DGRAM, 0), tx = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  // Room for two windows with the kernel's per-datagram overhead.
  int rcvbuf = 256 * 1024;
  setsockopt(rx, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  if (bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    std::perror("loopback_bench");
    return 1;
  }

  std::vector<double> bare, full;
  bool complete = true;
  for (int r = 0; r < rounds; ++r) {
    bare.push_back(receive_round(rx, dgs, false, tx, a).seconds);
    Result f = receive_round(rx, dgs, true, tx, a);
    full.push_back(f.seconds);
    complete = complete && f.frames == clip_frames;
  }
  double tb = median(bare), tf = median(full);
  double n = double(dgs.size()), mb = double(total) / 1e6;
  std::printf("  %zu datagrams (%.1f MB, %zu frames) per round over UDP loopback, "
              "median of %d rounds each\n", dgs.size(), mb, clip_frames, rounds);
  std::printf("  %-26s %14s %10s\n", "receive loop", "datagrams/s", "MB/s");
  std::printf("  %-26s %14.0f %10.1f\n", "bare (recv only)", n / tb, mb / tb);
  std::printf("  %-26s %14.0f %10.1f   %.2fx of bare; goal at least 0.80x: %s\n",
              "recv + full data path", n / tf, mb / tf, tb / tf, tb / tf >= 0.8 ? "met" : "NOT met");
  if (!complete) std::printf("  the data path did not hand over every frame of every round\n");
  return complete ? 0 : 1;
}
