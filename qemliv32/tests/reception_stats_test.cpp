#include "qemliv32/reception_stats.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qem;

namespace {

MediaFrame frame(MediaStream stream, uint32_t number, uint32_t time, std::size_t length) {
  MediaFrame f;
  f.stream = stream;
  f.number = number;
  f.time = time;
  if (length) {
    std::vector<uint8_t> bytes(length, 0);
    f.bytes = PacketView(PacketBuffer::copy_of(bytes.data(), length, PacketBuffer::Channel::data),
                         0, length);
  }
  return f;
}

constexpr MediaStream kVideo = MediaStream::video;
constexpr MediaStream kAudio = MediaStream::audio;

TEST(ReceptionStats, CountsFramesLossesSkipsAndBytesPerStream) {
  ReceptionStats s;
  s.update(frame(kVideo, 1, 0, 100), 0);
  s.update(frame(kVideo, 2, 33, 0), 2);   // lost and skipped
  s.update(frame(kVideo, 3, 66, 1), 0);   // a video frame of length 1 counts as skipped
  s.update(frame(kVideo, 4, 99, 50), 1);  // skipped
  s.update(frame(kAudio, 7, 20, 1), 0);   // not for audio
  s.update(frame(kAudio, 8, 40, 0), 0);

  const ReceptionStats::Stream& v = s.stream(kVideo);
  EXPECT_EQ(v.frames, 4u);
  EXPECT_EQ(v.lost, 1u);
  EXPECT_EQ(v.skipped, 3u);
  EXPECT_EQ(v.bytes, 151u);
  EXPECT_EQ(v.last_number, 4u);
  EXPECT_EQ(v.last_time, 99u);
  const ReceptionStats::Stream& a = s.stream(kAudio);
  EXPECT_EQ(a.frames, 2u);
  EXPECT_EQ(a.lost, 1u);
  EXPECT_EQ(a.skipped, 0u);
  EXPECT_EQ(a.bytes, 1u);
  EXPECT_EQ(a.last_number, 8u);
  EXPECT_EQ(s.video_loss_percent(), 25u);
  EXPECT_EQ(s.recent_loss_percent(kAudio), 3u) << "1 of 32 slots";
}

TEST(ReceptionStats, RingHoldsTheLast32MarksPerStream) {
  ReceptionStats s;
  // 40 video frames, every 5th lost (8 in all, 6 among the last 32).
  for (uint32_t i = 0; i < 40; ++i) s.update(frame(kVideo, i + 1, i * 33, i % 5 == 0 ? 0 : 10), 0);
  for (uint32_t i = 0; i < 3; ++i) s.update(frame(kAudio, i + 1, i * 20, 0), 0);
  EXPECT_EQ(s.video_loss_percent(), 20u);
  EXPECT_EQ(s.recent_loss_percent(kVideo), 18u) << "6 x 100 / 32";
  EXPECT_EQ(s.recent_loss_percent(kAudio), 9u) << "3 x 100 / 32";
  // A real frame clears the slot a lost one marked 32 frames before.
  for (uint32_t i = 40; i < 72; ++i) s.update(frame(kVideo, i + 1, i * 33, 10), 0);
  EXPECT_EQ(s.recent_loss_percent(kVideo), 0u);
}

TEST(ReceptionStats, FrameRateEvery32VideoFrames) {
  ReceptionStats s;
  // 40 ms apart from 5000; audio in between does not disturb the count.
  for (uint32_t i = 0; i < 31; ++i) {
    s.update(frame(kVideo, i + 1, 5000 + i * 40, 10), 0);
    s.update(frame(kAudio, i + 1, 5000 + i * 40, 10), 0);
  }
  EXPECT_EQ(s.video_frame_rate(), 0u) << "not computed before the 32nd frame";
  s.update(frame(kVideo, 32, 5000 + 31 * 40, 10), 0);
  EXPECT_EQ(s.video_frame_rate(), 25u) << "32 frames over 1240 ms from the first";
  // The next 32 frames, 4 of them lost: 28 frames over 1280 ms.
  for (uint32_t i = 32; i < 64; ++i) s.update(frame(kVideo, i + 1, 5000 + i * 40, i % 8 ? 10 : 0), 0);
  EXPECT_EQ(s.video_frame_rate(), 21u);
}

TEST(ReceptionStats, NoDivisionByZero) {
  ReceptionStats s;
  EXPECT_EQ(s.video_loss_percent(), 0u) << "no frames";
  EXPECT_EQ(s.recent_loss_percent(kVideo), 0u);
  EXPECT_EQ(s.rate_kbps(kVideo, 0), 0u);
  EXPECT_EQ(s.measured_bandwidth_kbps(0), 0u);

  s.update(frame(kVideo, 1, 1000, 500), 0);
  s.update(frame(kAudio, 1, 1000, 500), 0);
  EXPECT_EQ(s.rate_kbps(kVideo, 1000), 0u) << "zero span";
  EXPECT_EQ(s.rate_kbps(kAudio, 2000), 0u) << "last time before the origin";
  EXPECT_EQ(s.measured_bandwidth_kbps(1000), 0u);

  // 32 frames at one time: a zero interval keeps the rate (0 so far).
  ReceptionStats same;
  for (uint32_t i = 0; i < 32; ++i) same.update(frame(kVideo, i + 1, 7000, 10), 0);
  EXPECT_EQ(same.video_frame_rate(), 0u);
  // A good window, then one whose times go back: the good figure stays.
  for (uint32_t i = 32; i < 64; ++i) same.update(frame(kVideo, i + 1, 7000 + (i - 31) * 40, 10), 0);
  EXPECT_EQ(same.video_frame_rate(), 25u);
  for (uint32_t i = 64; i < 96; ++i) same.update(frame(kVideo, i + 1, 100, 10), 0);
  EXPECT_EQ(same.video_frame_rate(), 25u);
}

TEST(ReceptionStats, RatesInKbitPerSecondSinceTheOrigin) {
  ReceptionStats s;
  s.update(frame(kVideo, 1, 600, 4000), 0);
  s.update(frame(kVideo, 2, 1500, 6000), 0);
  s.update(frame(kAudio, 1, 900, 1000), 0);
  s.update(frame(kAudio, 2, 1500, 1000), 0);
  EXPECT_EQ(s.rate_kbps(kVideo, 500), 80u) << "10000 bytes over 1000 ms";
  EXPECT_EQ(s.rate_kbps(kAudio, 500), 16u);
  EXPECT_EQ(s.measured_bandwidth_kbps(500), 96u);
  s.reset();
  EXPECT_EQ(s.measured_bandwidth_kbps(500), 0u);
  EXPECT_EQ(s.stream(kVideo).frames, 0u);
}

}  // namespace
