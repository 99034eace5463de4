// A stream from the test server played in qemhost.exe's window (the
// runner, run_engine_test.sh, starts the server and names its port in
// QEMSRV_PORT, and makes the sound device a WAV file): the frame number
// read back from the window's pixels, the notification, and the tone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "qemliv32/win32/tests/engine_fixture.h"
#include "sim/decoders/audio_codec.h"

using namespace itest;
using namespace qemhost;
using namespace engine_test;

namespace {

TEST_F(EngineTest, StopNotifiesOnce) {
  ASSERT_FALSE(server_port().empty()) << "runs from run_engine_test.sh";
  ASSERT_TRUE(start_host("\"" + script(stream_url()) + "\""));
  send(kPlay, 1, 77);
  ASSERT_TRUE(eventually([&] { int s = state(); return s == 3 || s == 5; })) << state();
  send(kStop);
  EXPECT_TRUE(eventually([&] { return notifies() == 1; }));
  EXPECT_EQ(send(kNotifies, 1), 0);
  EXPECT_EQ(send(kNotifies, 2), 0);
  EXPECT_EQ(state(), 0);
  send(kStop);
  EXPECT_FALSE(wait_until([&] { return notifies() != 1; }, 1500)) << "a second Stop tells nobody";
}

// The sound device's output file (ALSA's file plugin, set up by the runner):
// how strongly it holds the test tone against a frequency it should not.
struct ToneCheck {
  bool found = false;
  double tone = 0, off = 0;
};

ToneCheck check_tone(const std::string& wav_path, double tone_hz) {
  ToneCheck r;
  std::string wav = read_file(wav_path);
  if (wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0) return r;
  auto u16 = [&](size_t o) { return unsigned(uint8_t(wav[o])) | unsigned(uint8_t(wav[o + 1])) << 8; };
  unsigned channels = u16(22), rate = u16(24) | u16(26) << 16, bits = u16(34);
  if (bits != 16 || channels == 0 || rate != unsigned(qdec::kSampleRate)) return r;
  std::vector<int16_t> samples;
  for (size_t o = 44; o + 2 * channels <= wav.size(); o += 2 * channels)
    samples.push_back(int16_t(u16(o)));
  r.found = samples.size() > rate / 2;
  r.tone = qdec::tone_amplitude(samples.data(), samples.size(), tone_hz);
  r.off = qdec::tone_amplitude(samples.data(), samples.size(), tone_hz * 1.37);
  return r;
}

TEST_F(EngineTest, StreamPlaysPicturesAndSoundThenNotifiesOnce) {
  ASSERT_FALSE(server_port().empty()) << "runs from run_engine_test.sh";
  ASSERT_TRUE(start_host("\"" + script(stream_url()) + "\""));
  send(kPlay, 1, 5);
  ASSERT_TRUE(eventually([&] { return state() == 3; })) << state();

  // The frame number advances on the screen.
  std::vector<uint32_t> seen;
  ASSERT_TRUE(wait_until(
      [&] {
        std::optional<uint32_t> n = frame_on_screen();
        if (n && (seen.empty() || *n > seen.back())) seen.push_back(*n);
        return seen.size() >= 4;
      },
      30000))
      << "frames read: " << seen.size();

  ASSERT_TRUE(wait_until([&] { return notifies() >= 1; }, 60000)) << "the end of transmission";
  EXPECT_EQ(notifies(), 1);
  EXPECT_EQ(send(kNotifies, 1), 0);
  EXPECT_EQ(send(kNotifies, 2), 0);
  EXPECT_FALSE(wait_until([&] { return notifies() != 1; }, 1000)) << "told once";
  host_.close();

  const char* wav = std::getenv("HALVO_SOUND_FILE");
  ASSERT_TRUE(wav && *wav) << "the runner names the sound device's file";
  ToneCheck tone = check_tone(wav, qdec::Tone{}.frequency);
  ASSERT_TRUE(tone.found) << "no sound reached the device";
  EXPECT_GT(tone.tone, 10 * tone.off) << "the decoded tone, not silence or noise";
  EXPECT_GT(tone.tone, 1000) << "at a level near the stream's";
}

}  // namespace
