// Fuzzes the two format blocks through the rules built on them: the frame
// buffer layout at every depth with its headers and the interlaced plan, and
// the audio plan with its wave buffer lengths. Input: screen depth, rectangle
// and BufferSize bytes, then the video block's length and both blocks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qemliv32/audio_format.h"
#include "qemliv32/video_format.h"
#include "qemliv32/wave_buffers.h"
#include "qemliv32/tests/fuzz_check.h"

using namespace qem;

namespace {

int16_t s16(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

void video(const uint8_t* block, std::size_t n, int screen, const int16_t rect[4]) {
  auto format = parse_video_format(block, n);
  check(format.has_value() == (n >= kVideoFormatMinSize));
  if (!format) return;
  for (int depth : {frame_depth(screen), 8, 16, 24}) {
    auto l = frame_layout(*format, depth);
    if (!l) {
      check(format->width > kMaxVideoWidth || format->height > kMaxVideoHeight);
      continue;
    }
    check(l->width >= 1 && l->width <= kMaxVideoWidth);
    check(l->height >= 1 && l->height <= kMaxVideoHeight);
    check(l->stride % 4 == 0 && uint64_t(l->stride) * 8 >= uint64_t(l->width) * depth);
    check(uint64_t(l->bits_size) == uint64_t(l->stride) * l->height);
    check(uint64_t(l->image_size) == uint64_t(l->bits_offset) + l->bits_size);
    check(uint64_t(l->allocation) == uint64_t(l->bits_offset) + l->image_size);
    std::vector<uint8_t> header(l->bits_offset);
    write_frame_header(*l, header.data());
    auto in = decoder_input_header(*l, format->compression, uint32_t(n), depth & 3);
    check(in[0] == 40);
    auto plan = interlaced_plan(rect[0], rect[1], rect[2], rect[3], l->height);
    check(plan.size() <= std::size_t(kMaxInterlacedRows) + 1);
    for (const LineDraw& d : plan) {
      check(d.src_y >= 0 && uint32_t(d.src_y) < l->height);
      check(d.dst_y >= rect[1] && d.dst_y < rect[3]);
      check(d.dst_width == rect[2] - rect[0]);
    }
  }
}

void audio(const uint8_t* block, std::size_t n, int buffer_size) {
  auto format = parse_audio_format(block, n);
  check(format.has_value() == (n >= kAudioFormatMinSize));
  if (!format) return;
  auto plan = plan_audio_output(*format);
  if (!plan) return;
  check(format->codec_tag >= -4 && format->codec_tag <= -1);
  check(plan->pcm.samples_per_second >= 1 && plan->pcm.samples_per_second <= kMaxSampleRate);
  if (takes_whole_blocks(plan->kind)) check(plan->block_code >= 1);
  for (const PcmFormat& p : {plan->pcm, eight_bit(plan->pcm)}) {
    uint32_t len = wave_buffer_length(buffer_size, p);
    check(len >= p.block_align && len % p.block_align == 0);
    check(len <= uint64_t(kMaxBufferSeconds) * kMaxSampleRate * 2 / 10);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  int screen = data[0];
  int16_t rect[4] = {s16(data + 1), s16(data + 3), s16(data + 5), s16(data + 7)};
  // BufferSize in steps of 250 ms, negative ones included.
  int buffer_size = int(int8_t(data[9])) * 250;
  std::size_t video_n = data[10];
  data += 11;
  size -= 11;
  if (video_n > size) video_n = size;
  // Each block in an allocation of its own size, so a read past it shows.
  std::vector<uint8_t> v(data, data + video_n), a(data + video_n, data + size);
  video(v.empty() ? nullptr : v.data(), v.size(), screen, rect);
  audio(a.empty() ? nullptr : a.data(), a.size(), buffer_size);
  return 0;
}
