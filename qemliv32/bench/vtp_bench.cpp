// The client's data path on pre-recorded datagrams in memory: walk, loss
// reporter, fragments and frame hand-off, with the 33 ms tick and its reports;
// ticks every 8 datagrams; then the memory a hostile sequence jump and a flood of unfinished fragments
// can make the client hold.
//
//   vtp_bench rate [seconds]   datagrams per second
//   vtp_bench memory           peak bytes allocated under hostile input
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "qemliv32/bench/counted_alloc.h"
#include "qemliv32/vtp_client.h"


namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) { qem::append_be32(b, v); }

void entry(Bytes& d, uint8_t stream, uint8_t fragment, uint32_t time, uint32_t number,
           std::size_t media) {
  std::size_t length = 12 + media;
  d.push_back(uint8_t(length >> 8));
  d.push_back(uint8_t(length));
  d.push_back(stream);
  d.push_back(fragment);
  put32(d, time);
  put32(d, number);
  for (std::size_t i = 0; i < media; ++i) d.push_back(uint8_t(number + i));
  while (d.size() % 4) d.push_back(0);
}

Bytes header(uint32_t sequence) {
  Bytes d;
  put32(d, sequence);
  put32(d, 0);
  put32(d, 0);
  return d;
}

// A stream of the usual shape: every datagram carries an audio frame; video
// frames come whole in most datagrams and every fourth one in three fragments
// spread over three datagrams.
std::vector<Bytes> record(std::size_t count) {
  std::vector<Bytes> out;
  uint32_t video = 0, audio = 0, time = 0;
  for (std::size_t i = 0; out.size() < count; ++i) {
    time += 66;
    if (i % 4 == 3) {
      for (uint8_t f = 1; f <= 3 && out.size() < count; ++f) {
        Bytes d = header(0);
        entry(d, 0, uint8_t(f | (f == 3 ? 0x80 : 0)), time, video, 400);
        entry(d, 1, 0, time, audio++, 120);
        out.push_back(std::move(d));
      }
    } else {
      Bytes d = header(0);
      entry(d, 0, 0, time, video, 300 + (i % 7) * 40);
      entry(d, 1, 0, time, audio++, 120);
      out.push_back(std::move(d));
    }
    ++video;
  }
  return out;
}

class Sink : public qem::VtpEvents {
 public:
  std::size_t frames = 0;
  std::size_t bytes = 0;
  void progress(int) override {}
  void error(int) override {}
  void connected() override {}
  void disconnected() override {}
  void stream_format(uint32_t, const uint8_t*, std::size_t) override {}
  void reception_started(uint32_t) override {}
  void server_text(const qem::ServerText&) override {}
  void end_of_transmission() override {}
  void start_playback(uint32_t) override {}
  uint32_t last_time = 0;
  bool frame(qem::MediaFrame&& f) override {
    ++frames;
    bytes += f.length();
    if (f.stream == qem::MediaStream::video) last_time = f.time;
    return true;  // taken, and released as the frame queue would after playing it
  }
  void fatal(std::string_view) override {}
  void playback_tick(uint32_t) override {}
  void interface_tick(uint32_t) override {}
  bool video_queue_empty() override { return false; }
  bool audio_queue_empty() override { return false; }
  bool audio_position_advancing() override { return true; }
  // As if each frame were shown as it came: lets the purge run.
  uint32_t last_video_time_shown() override { return last_time; }
};

void start_streaming(qem::VtpClient& client, uint32_t now) {
  client.on_connect_started(now, 4000);
  client.on_connected(now, qem::HandshakeDetails());
  client.send_play_request("/clip", 12, now);
  Bytes accepted;
  put32(accepted, 8);
  put32(accepted, 2);
  put32(accepted, 7);
  put32(accepted, 8);
  put32(accepted, 2);
  put32(accepted, 11);  // start playback: the purge runs only while playing
  client.on_control_bytes(accepted.data(), accepted.size(), now);
  client.take_output();
}

// CPU time of this thread: the figure is per core, whatever else the machine runs.
double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

int rate(double seconds) {
  std::vector<Bytes> recorded = record(8192);  // about 5 MB
  Sink sink;
  qem::VtpClient client(sink);
  uint32_t now = 1000;
  start_streaming(client, now);

  uint32_t sequence = 1;
  std::size_t datagrams = 0, report_bytes = 0;
  auto start = std::chrono::steady_clock::now();
  double cpu_start = cpu_seconds();
  double elapsed = 0;
  do {
    for (std::size_t i = 0; i < recorded.size(); ++i) {
      Bytes& d = recorded[i];
      // Fresh sequence numbers each pass; one in 100 is lost.
      uint32_t s = sequence++;
      d[0] = uint8_t(s >> 24), d[1] = uint8_t(s >> 16), d[2] = uint8_t(s >> 8), d[3] = uint8_t(s);
      if (s % 100 == 0) continue;
      client.on_datagram(d.data(), d.size(), now);
      ++datagrams;
      if (datagrams % 8 == 0) {
        now += 33;
        client.on_tick(now);
        report_bytes += client.take_output().size();
      }
    }
  } while (cpu_seconds() - cpu_start < seconds);
  elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  double cpu = cpu_seconds() - cpu_start;
  double per_second = datagrams / cpu;
  std::printf("  data path (walk, losses, fragments, frames): %12.0f datagrams/s   goal >= 1000000/s: %s\n",
              per_second, per_second >= 1e6 ? "met" : "NOT met");
  std::printf("    %zu datagrams, %zu frames (%zu bytes), %zu report bytes, %.2f s CPU in %.2f s, "
              "fragments held %zu\n",
              datagrams, sink.frames, sink.bytes, report_bytes, cpu, elapsed, client.fragments().size());
  return per_second >= 1e6 ? 0 : 1;
}

long max_rss_kb() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int memory() {
  Sink sink;
  qem::VtpClient client(sink);
  uint32_t now = 1000;
  start_streaming(client, now);

  // Sequence 1, then a jump of 2^31, then a tick that sends the report.
  std::size_t base = bench::live_bytes();
  bench::reset_peak();
  Bytes first = header(1);
  client.on_datagram(first.data(), first.size(), now);
  Bytes jump = header(0x80000001u);
  client.on_datagram(jump.data(), jump.size(), now);
  client.on_tick(now + 33);
  std::size_t report = client.take_output().size();
  std::size_t jump_peak = bench::peak_bytes() - base;
  std::printf("  hostile jump 1 -> 2^31+1: peak %zu bytes allocated (missing list %zu of at most %zu, "
              "report %zu bytes)   goal: bounded, under 1 MiB: %s\n",
              jump_peak, client.loss_reporter().missing().size(), qem::LossReporter::kMaxMissing, report,
              jump_peak < (1u << 20) ? "met" : "NOT met");

  // Unfinished fragment runs in full-size datagrams, never purged.
  base = bench::live_bytes();
  bench::reset_peak();
  Bytes big = header(0);
  entry(big, 0, 1, 0, 0, 65000);
  for (uint32_t i = 0; i < 20000; ++i) {
    uint32_t s = 0x80000002u + i;
    big[0] = uint8_t(s >> 24), big[1] = uint8_t(s >> 16), big[2] = uint8_t(s >> 8), big[3] = uint8_t(s);
    big[12 + 8] = uint8_t(i >> 24), big[12 + 9] = uint8_t(i >> 16);
    big[12 + 10] = uint8_t(i >> 8), big[12 + 11] = uint8_t(i);
    client.on_datagram(big.data(), big.size(), now);
  }
  std::size_t fragment_peak = bench::peak_bytes() - base;
  std::printf("  20000 unfinished 65 KB fragments: peak %zu bytes allocated (%zu held, bound %zu bytes)"
              "   goal: bounded, under 8 MiB: %s\n",
              fragment_peak, client.fragments().size(), qem::FragmentList::kMaxBytes,
              fragment_peak < (8u << 20) ? "met" : "NOT met");
  std::printf("  process peak RSS: %ld KB\n", max_rss_kb());
  return jump_peak < (1u << 20) && fragment_peak < (8u << 20) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "rate";
  if (mode == "rate") return rate(argc > 2 ? std::atof(argv[2]) : 3.0);
  if (mode == "memory") return memory();
  std::fprintf(stderr, "usage: vtp_bench rate [seconds] | memory\n");
  return 2;
}
