// Fuzzes playback: frames (numbers, times, streams, lengths, types, views of
// larger blocks), ticks, starts, settings and resets decoded from the input,
// played through ports whose decoder and wave device answer from the input.
// The queues must stay within their bounds after every operation, and in
// order (checked every few operations and at the end: a walk is not cheap).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qemliv32/playback.h"
#include "qemliv32/tests/fuzz_check.h"

using namespace qem;

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() { return uint16_t(u8() | u8() << 8); }
  uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class Ports : public PlaybackPorts {
 public:
  uint8_t answers = 0;
  uint32_t touched = 0;

  int decode_video(const MediaFrame& f, int flag) override {
    check(flag >= 0 && flag <= 2);
    if (f.length()) touched += f.data()[0] + f.data()[f.length() - 1];
    static const int codes[] = {0, 128, -1, 5, 0, 0, 32767, -32768};
    answers = uint8_t(answers * 5 + 1);
    return f.length() == 0 || flag == 2 ? 128 : codes[answers % 8];
  }
  void draw_picture(bool) override {}
  bool audio_open() override { return answers & 1; }
  bool play_audio(const MediaFrame& f) override {
    if (f.length()) touched += f.data()[f.length() - 1];
    return answers & 2;
  }
  void start_audio() override {}
  void first_frame_rendered() override {}
  void show_time(uint32_t) override {}
  void lag_signal(uint32_t) override {}
};

void check_queue(const FrameQueue& q, MediaStream stream, bool walk) {
  check(q.size() <= q.limits().max_frames);
  check(q.held_bytes() <= q.limits().max_bytes);
  if (!walk) return;
  const MediaFrame* previous = nullptr;
  for (const MediaFrame& f : q) {
    check(f.stream == stream);
    if (previous) check(previous->number < f.number);
    previous = &f;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  Ports ports;
  Playback playback(ports);
  playback.set_buffer_size(in.u16());
  ports.answers = in.u8();
  uint32_t now = 0xFFFF0000u + in.u16();  // ticks cross the wrap
  uint32_t number[2] = {1, 1};
  uint32_t time[2] = {0, 0};
  static const std::vector<uint8_t> zeros(65536 + 64, 0);
  unsigned ops = 0;

  while (!in.done()) {
    const uint8_t op = in.u8();
    switch (op % 8) {
      case 0:
      case 1: {
        const int s = op % 2;
        const uint8_t how = in.u8();
        number[s] = (how & 1) ? in.u32() : number[s] + int8_t(in.u8());
        time[s] = (how & 2) ? in.u32() : time[s] + int8_t(in.u8()) * 8;
        std::size_t length = (how & 4) ? in.u16() % 8193 : in.u8() % 64;
        std::size_t extra = (how & 8) ? in.u16() : 0;  // a view of a larger block
        if (length + extra > 65536) extra = 65536 - length;
        PacketBuffer block = PacketBuffer::copy_of(zeros.data(), length + extra + 1,
                                                   PacketBuffer::Channel::data);
        if (length) block.data()[extra] = in.u8();  // the frame type
        MediaFrame f;
        f.number = number[s];
        f.time = time[s];
        f.stream = MediaStream(s);
        f.bytes = PacketView(block, extra, length);
        playback.offer(std::move(f));
        const int p = playback.progress_percent();
        check(p >= 0 && p <= 100);
        break;
      }
      case 2:
        now += (op & 8) ? in.u16() * 16u : in.u8();
        playback.tick(now);
        break;
      case 3:
        playback.start(now);
        break;
      case 4: {
        const uint8_t b = in.u8();
        playback.set_strict_loss(b & 1);
        playback.set_has_video(b & 2);
        if (b & 4) playback.set_buffer_size(int16_t(in.u16()));
        ports.answers = b;
        break;
      }
      case 5:
        if (op & 8) playback.reset();
        else playback.format_changed();
        break;
      case 6:  // a hostile jump
        number[op & 1] += 0x40000000u + in.u8();
        break;
      case 7: {  // a run of frames
        const int s = op & 1;
        const int n = in.u8();
        for (int i = 0; i < n; ++i) {
          MediaFrame f;
          f.number = ++number[s];
          f.time = time[s] += 33;
          f.stream = MediaStream(s);
          playback.offer(std::move(f));
        }
        break;
      }
    }
    const bool walk = ++ops % 32 == 0 || in.done();
    check_queue(playback.video_queue(), MediaStream::video, walk);
    check_queue(playback.audio_queue(), MediaStream::audio, walk);
    const ReceptionStats& stats = playback.stats();
    check(stats.video_loss_percent() <= 100);
    check(stats.recent_loss_percent(MediaStream::audio) <= 100);
    ports.touched += playback.measured_bandwidth_kbps() + stats.video_frame_rate();
  }
  return 0;
}
