#include "qemliv32/wave_buffers.h"

#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <numeric>
#include <vector>

using namespace qem;

namespace {

PcmFormat pcm(uint32_t rate, uint16_t block) {
  PcmFormat p;
  p.samples_per_second = rate;
  p.block_align = block;
  p.bits_per_sample = uint16_t(8 * block);
  p.bytes_per_second = rate * block;
  return p;
}

TEST(WaveBuffers, BufferLength) {
  struct Case {
    const char* name;
    int buffer_size;
    PcmFormat pcm;
    uint32_t length;
  } cases[] = {
      {"default 7500 ms at 8 kHz", 7500, pcm(8000, 2), 11200},
      {"whole seconds only", 1999, pcm(8000, 2), 1600},
      {"rounded down to whole blocks", 1000, pcm(11025, 2), 2204},
      {"8-bit device", 2000, pcm(11025, 1), 2205},
      // The rule as written gives 0 seconds and a 2-byte buffer here.
      {"BufferSize 0 counts as one second", 0, pcm(8000, 2), 1600},
      {"under a second", 999, pcm(8000, 2), 1600},
      {"negative", -7500, pcm(8000, 2), 1600},
      {"at least one block", 1000, pcm(5, 2), 2},
      {"capped at 60 s", INT_MAX, pcm(kMaxSampleRate, 2), 60 * kMaxSampleRate * 2 / 10},
  };
  for (const Case& c : cases) {
    uint32_t n = wave_buffer_length(c.buffer_size, c.pcm);
    EXPECT_EQ(n, c.length) << c.name;
    EXPECT_EQ(n % c.pcm.block_align, 0u) << c.name;
  }
}

// A device that plays only when the test says. It fails the test when a
// buffer it holds is written again, and checks at play time that the bytes
// are still those handed over.
class FakeDevice : public WaveDevice {
 public:
  int fail_prepare_at = -1;
  bool fail_writes = false;
  std::vector<uint8_t> played;
  std::vector<std::size_t> written;  // buffer indexes in write order
  std::vector<std::size_t> unprepared;

  bool prepare(std::size_t index, uint8_t* data, std::size_t length) override {
    if (int(index) == fail_prepare_at) return false;
    if (slots_.size() <= index) slots_.resize(index + 1);
    slots_[index] = {data, length, false, {}};
    return true;
  }
  void unprepare(std::size_t index) override {
    EXPECT_FALSE(slots_[index].queued) << "unprepared while queued";
    unprepared.push_back(index);
  }
  bool write(std::size_t index, std::size_t bytes) override {
    Slot& s = slots_.at(index);
    EXPECT_FALSE(s.queued) << "buffer " << index << " written while the device holds it";
    EXPECT_LE(bytes, s.length);
    if (fail_writes) return false;
    s.queued = true;
    s.handed.assign(s.data, s.data + bytes);
    order_.push_back(index);
    written.push_back(index);
    return true;
  }
  bool queued(std::size_t index) override { return slots_.at(index).queued; }

  // Plays the oldest queued buffer; false when none is queued.
  bool play_one() {
    if (order_.empty()) return false;
    Slot& s = slots_[order_.front()];
    order_.pop_front();
    EXPECT_EQ(std::vector<uint8_t>(s.data, s.data + s.handed.size()), s.handed)
        << "a queued buffer was overwritten";
    played.insert(played.end(), s.handed.begin(), s.handed.end());
    s.queued = false;
    return true;
  }
  void reset() {
    while (play_one()) {
    }
  }

 private:
  struct Slot {
    uint8_t* data;
    std::size_t length;
    bool queued;
    std::vector<uint8_t> handed;
  };
  std::vector<Slot> slots_;
  std::deque<std::size_t> order_;
};

std::vector<uint8_t> counting(std::size_t n, uint8_t from = 0) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), from);
  return v;
}

TEST(WaveWriter, AllocatesUpToTenAndFailsUnderTwo) {
  struct Case {
    int fail_prepare_at;
    bool ok;
    std::size_t count;
  } cases[] = {{-1, true, 10}, {2, true, 2}, {5, true, 5}, {1, false, 0}, {0, false, 0}};
  for (const Case& c : cases) {
    FakeDevice dev;
    dev.fail_prepare_at = c.fail_prepare_at;
    WaveWriter w(dev);
    EXPECT_EQ(w.allocate(64), c.ok) << c.fail_prepare_at;
    EXPECT_EQ(w.buffer_count(), c.count) << c.fail_prepare_at;
    if (!c.ok) {
      EXPECT_EQ(dev.unprepared.size(), std::size_t(c.fail_prepare_at))
          << "what was prepared is unprepared again";
    }
  }
  FakeDevice dev;
  WaveWriter w(dev);
  EXPECT_FALSE(w.allocate(0));
}

TEST(WaveWriter, FullBuffersAreWrittenInTurn) {
  FakeDevice dev;
  dev.fail_prepare_at = 3;
  WaveWriter w(dev);
  ASSERT_TRUE(w.allocate(4));
  auto data = counting(10);
  EXPECT_EQ(w.write(data.data(), 3), 3u);
  EXPECT_TRUE(dev.written.empty()) << "a buffer is written only when full";
  EXPECT_EQ(w.write(data.data() + 3, 7), 7u);
  EXPECT_EQ(dev.written, (std::vector<std::size_t>{0, 1}));
  dev.reset();
  EXPECT_EQ(dev.played, counting(8));
  EXPECT_TRUE(w.flush());
  dev.reset();
  EXPECT_EQ(dev.played, counting(10)) << "flush writes the part-filled buffer";
  // The ring goes on after the last buffer: 2 (flushed), then 0, 1, 2.
  auto more = counting(12, 10);
  EXPECT_EQ(w.write(more.data(), 12), 12u);
  EXPECT_EQ(dev.written, (std::vector<std::size_t>{0, 1, 2, 0, 1, 2}));
  dev.reset();
  EXPECT_EQ(dev.played, counting(22));
  EXPECT_EQ(w.dropped_bytes(), 0u);
}

// The device is paused (nothing plays): once every buffer is queued, the
// writer drops new bytes instead of writing into one the device holds.
TEST(WaveWriter, QueuedBuffersAreNeverOverwritten) {
  FakeDevice dev;
  WaveWriter w(dev);
  ASSERT_TRUE(w.allocate(4));
  ASSERT_EQ(w.buffer_count(), 10u);
  auto data = counting(50);
  EXPECT_EQ(w.write(data.data(), 50), 40u);
  EXPECT_EQ(w.dropped_bytes(), 10u);
  EXPECT_EQ(dev.written.size(), 10u);
  EXPECT_EQ(w.write(data.data(), 4), 0u) << "still paused";

  // One buffer comes back: the writer goes on into it, and only into it.
  ASSERT_TRUE(dev.play_one());
  auto next = counting(8, 100);
  EXPECT_EQ(w.write(next.data(), 8), 4u);
  EXPECT_EQ(dev.written.back(), 0u);
  dev.reset();
  std::vector<uint8_t> expected = counting(40);
  expected.insert(expected.end(), next.begin(), next.begin() + 4);
  EXPECT_EQ(dev.played, expected);
  EXPECT_EQ(w.dropped_bytes(), 18u);
}

TEST(WaveWriter, FailedWriteLosesOnlyThatBuffer) {
  FakeDevice dev;
  WaveWriter w(dev);
  ASSERT_TRUE(w.allocate(4));
  dev.fail_writes = true;
  auto data = counting(8);
  EXPECT_EQ(w.write(data.data(), 8), 8u);
  EXPECT_EQ(w.dropped_bytes(), 8u);
  dev.fail_writes = false;
  EXPECT_EQ(w.write(data.data(), 4), 4u);
  dev.reset();
  EXPECT_EQ(dev.played, counting(4)) << "the buffers stay usable";
}

TEST(WaveWriter, RestartAfterTheDeviceResetStartsAnEmptyRing) {
  FakeDevice dev;
  WaveWriter w(dev);
  ASSERT_TRUE(w.allocate(4));
  auto data = counting(6);
  w.write(data.data(), 6);
  dev.reset();
  dev.written.clear();
  dev.played.clear();
  w.restart();
  w.write(data.data(), 4);
  EXPECT_EQ(dev.written, (std::vector<std::size_t>{0}));
  dev.reset();
  EXPECT_EQ(dev.played, counting(4)) << "the 2 bytes held before are gone";
  w.release();
  EXPECT_EQ(dev.unprepared.size(), 10u);
  EXPECT_EQ(w.write(data.data(), 4), 0u) << "nothing to write into";
}

TEST(WaveBuffers, VolumeWords) {
  struct Case {
    int percent;
    uint32_t word;
  } cases[] = {{0, 0}, {100, 0xFFFFFFFF}, {50, 0x7FFF7FFF}, {1, 0x028F028F},
               {150, 0xFFFFFFFF}, {-3, 0}};
  for (const Case& c : cases) EXPECT_EQ(volume_word(c.percent), c.word) << c.percent;
  // 50 % truncated would read back as 49.
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(volume_percent(volume_word(p)), p);
  EXPECT_EQ(volume_percent(0x0000FFFF), 100) << "left louder";
  EXPECT_EQ(volume_percent(0x7FFF0000), 50) << "right louder";
}

TEST(WaveBuffers, PositionInMs) {
  PcmFormat p = pcm(8000, 2);
  EXPECT_EQ(position_ms(PositionUnit::ms, 1234, p), 1234u);
  EXPECT_EQ(position_ms(PositionUnit::bytes, 24000, p), 1500u);
  EXPECT_EQ(position_ms(PositionUnit::samples, 4000, p), 500u);
  EXPECT_EQ(position_ms(PositionUnit::bytes, 0xFFFFFFFF, pcm(192000, 2)), 11184810u)
      << "no 32-bit overflow";
  EXPECT_EQ(position_ms(PositionUnit::bytes, 100, PcmFormat{1, 0, 0, 2, 16}), 0u);
}

TEST(WaveBuffers, PositionAdvancingWhenChangedAndNotZero) {
  PositionWatch w;
  std::vector<uint32_t> positions = {0, 0, 10, 10, 20, 0, 0, 5, 5};
  std::vector<bool> expected = {false, false, true, false, true, false, false, true, false};
  std::vector<bool> got;
  for (uint32_t p : positions) got.push_back(w.advancing(p));
  EXPECT_EQ(got, expected);
}

TEST(WaveBuffers, SixteenToEightBitSamples) {
  struct Case {
    uint16_t sample;
    uint8_t out;
  } cases[] = {{0x0000, 0x80}, {0x7FFF, 0xFF}, {0x8000, 0x00}, {0xFFFF, 0x7F}, {0x0100, 0x81},
               {0xFF00, 0x7F}};
  for (const Case& c : cases) {
    uint8_t in[2] = {uint8_t(c.sample), uint8_t(c.sample >> 8)};
    uint8_t out = 0x55;
    pcm16_to_pcm8(in, 2, &out);
    EXPECT_EQ(out, c.out) << std::hex << c.sample;
  }
}

}  // namespace
