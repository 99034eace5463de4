// The audio output under Wine on the ALSA null sink (tools/alsa-null.conf),
// with stand-in decoders at the real contract (media_fakedecA.dll, two-
// argument INITdec, and media_fakedecB.dll, one argument): the wave mapper
// opened paused, a second of PCM through the ring, the position advancing,
// stop closing the device; decoders by kind; the failures of open.
#include <gtest/gtest.h>

#include <vector>

#include "qemliv32/win32/audio_output.h"
#include "testing/win32/harness.h"

namespace qem {
namespace {

constexpr const char* kStem = "media_fakedec";

struct FakeLibrary {
  HMODULE module;
  explicit FakeLibrary(const char* name) : module(LoadLibraryA(name)) {}
  ~FakeLibrary() {
    if (module) FreeLibrary(module);
  }
  int call(const char* name) const {
    auto fn = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn();
  }
  int init_arg(int i) const {
    auto fn = reinterpret_cast<int(WINAPI*)(int)>(
        reinterpret_cast<void*>(GetProcAddress(module, "FakeInitArg")));
    return fn(i);
  }
};

std::vector<uint8_t> wave_block(int16_t tag, uint32_t rate, int16_t block_code) {
  std::vector<uint8_t> b(18, 0);
  b[0] = uint8_t(tag);
  b[1] = uint8_t(uint16_t(tag) >> 8);
  for (int i = 0; i < 4; ++i) b[4 + i] = uint8_t(rate >> (8 * i));
  b[12] = uint8_t(block_code);
  b[13] = uint8_t(uint16_t(block_code) >> 8);
  return b;
}

// Polls cond every 10 ms until it holds or ms pass.
template <class Cond>
bool wait_for(Cond cond, DWORD ms) {
  DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > ms || itest::check_stray_boxes()) return false;
    Sleep(10);
  }
  return true;
}

TEST(MediaAudioOutput, ASecondThroughTheRingAndStopCloses) {
  FakeLibrary fake("media_fakedecA.dll");
  ASSERT_TRUE(fake.module);
  AudioOutput out(kStem);
  auto block = wave_block(-1, 8000, 24);
  ASSERT_TRUE(out.open(block.data(), block.size(), 2000))
      << "failure " << static_cast<int>(out.failure()) << " (waveOut devices: "
      << waveOutGetNumDevs() << ")";
  EXPECT_TRUE(out.is_open());
  EXPECT_EQ(fake.init_arg(0), 1) << "block code 24: INITdec(1, 1)";
  EXPECT_EQ(fake.init_arg(1), 1);
  EXPECT_EQ(out.device_format().bits_per_sample, 16);
  EXPECT_EQ(out.device_format().samples_per_second, 8000u);
  EXPECT_EQ(out.writer().buffer_count(), 10u);
  EXPECT_EQ(out.writer().buffer_length(), 3200u) << "2 s x 16000 B/s / 10";

  // Seven frames of five blocks: 7 x 5 x 480 bytes, a little over a second.
  std::vector<uint8_t> frame(5 * 24, 0x11);
  int decodes = fake.call("FakeDecodes");
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(out.play(frame.data(), frame.size()));
  EXPECT_EQ(fake.call("FakeDecodes"), decodes + 35);
  EXPECT_EQ(out.writer().dropped_bytes(), 0u);
  out.restart();
  EXPECT_TRUE(wait_for([&] { return out.position_advancing(); }, 5000));
  EXPECT_TRUE(wait_for([&] { return out.position_ms() >= 500; }, 5000))
      << "position " << out.position_ms();

  out.stop();
  EXPECT_FALSE(out.is_open());
  EXPECT_EQ(out.position_ms(), 0u);
  EXPECT_TRUE(out.play(frame.data(), frame.size())) << "nothing open: nothing to do";
  ASSERT_TRUE(out.open(block.data(), block.size(), 1000)) << "the device was given back";
  EXPECT_EQ(out.writer().buffer_length(), 1600u);
  out.stop();
}

TEST(MediaAudioOutput, DecoderByKindWithItsArity) {
  FakeLibrary fake("media_fakedecB.dll");
  ASSERT_TRUE(fake.module);
  AudioOutput out(kStem);
  auto block = wave_block(-2, 8000, 0);
  int inits = fake.call("FakeInitCalls");
  ASSERT_TRUE(out.open(block.data(), block.size(), 1000));
  EXPECT_EQ(fake.call("FakeInitCalls"), inits + 1);
  EXPECT_EQ(fake.init_arg(0), 0) << "INITdec(0)";

  // The stand-in takes the first byte's value: 50, then 50 of the 50 left.
  std::vector<uint8_t> frame(100, 50);
  int decodes = fake.call("FakeDecodes");
  EXPECT_TRUE(out.play(frame.data(), frame.size()));
  EXPECT_EQ(fake.call("FakeDecodes"), decodes + 2);

  int conceals = fake.call("FakeConceals");
  EXPECT_TRUE(out.play(nullptr, 0));
  EXPECT_EQ(fake.call("FakeConceals"), conceals + 2);

  std::vector<uint8_t> stuck(100, 0);
  EXPECT_FALSE(out.play(stuck.data(), stuck.size())) << "a decoder taking nothing fails the frame";
  out.stop();
}

TEST(MediaAudioOutput, OpenFailuresLeaveNothingOpen) {
  struct Case {
    const char* name;
    const char* stem;
    std::vector<uint8_t> block;
    AudioOutput::Failure failure;
  } cases[] = {
      {"no decoder library", "media-no-such-dec", wave_block(-1, 8000, 24),
       AudioOutput::Failure::decoder},
      {"C has no stand-in", kStem, wave_block(-3, 8000, 0), AudioOutput::Failure::decoder},
      {"tag 3", kStem, wave_block(3, 8000, 24), AudioOutput::Failure::format},
      {"rate 0", kStem, wave_block(-1, 0, 24), AudioOutput::Failure::format},
      {"a short block", kStem, std::vector<uint8_t>(13, 0xFF), AudioOutput::Failure::format},
  };
  for (const Case& c : cases) {
    AudioOutput out(c.stem);
    EXPECT_FALSE(out.open(c.block.data(), c.block.size(), 1000)) << c.name;
    EXPECT_EQ(out.failure(), c.failure) << c.name;
    EXPECT_FALSE(out.is_open()) << c.name;
    EXPECT_FALSE(out.position_advancing()) << c.name;
  }
  // A failed open also ends what was open before.
  AudioOutput out(kStem);
  auto good = wave_block(-1, 8000, 24), bad = wave_block(9, 8000, 24);
  ASSERT_TRUE(out.open(good.data(), good.size(), 1000));
  EXPECT_FALSE(out.open(bad.data(), bad.size(), 1000));
  EXPECT_FALSE(out.is_open());
}

TEST(MediaAudioOutput, VolumeReadsBackAsSet) {
  AudioOutput out(kStem);
  EXPECT_FALSE(out.set_volume(50)) << "nothing open";
  EXPECT_FALSE(out.volume());
  auto block = wave_block(-1, 8000, 24);
  ASSERT_TRUE(out.open(block.data(), block.size(), 1000));
  for (int percent : {50, 0, 100, 37}) {
    ASSERT_TRUE(out.set_volume(percent)) << percent;
    EXPECT_EQ(out.volume(), percent);
  }
  out.stop();
}

}  // namespace
}  // namespace qem
