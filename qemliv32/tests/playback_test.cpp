#include "qemliv32/playback.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace qem;

namespace {

// Records every call as a short word: "V5f2" frame 5 decoded with flag 2,
// "D"/"Dp" drawn (with palette), "A5" audio frame 5 played, "S" audio
// started, "F" first frame, "T1234" time shown, "L" lag signal.
class FakePorts : public PlaybackPorts {
 public:
  std::vector<std::string> log;
  std::vector<uint32_t> time_shown_at;  // tick of each "T"
  std::function<int(const MediaFrame&, int)> decoder;
  bool open = true;
  bool audio_ok = true;
  const uint32_t* now = nullptr;

  int decode_video(const MediaFrame& f, int flag) override {
    log.push_back("V" + std::to_string(f.number) + "f" + std::to_string(flag));
    if (decoder) return decoder(f, flag);
    return (f.length() == 0 || flag == 2) ? 128 : 0;
  }
  void draw_picture(bool palette) override { log.push_back(palette ? "Dp" : "D"); }
  bool audio_open() override { return open; }
  bool play_audio(const MediaFrame& f) override {
    log.push_back("A" + std::to_string(f.number));
    return audio_ok;
  }
  void start_audio() override { log.push_back("S"); }
  void first_frame_rendered() override { log.push_back("F"); }
  void show_time(uint32_t t) override {
    log.push_back("T" + std::to_string(t));
    if (now) time_shown_at.push_back(*now);
  }
  void lag_signal(uint32_t) override { log.push_back("L"); }

  // The words whose first letter is among kinds, space-separated.
  std::string seen(const std::string& kinds) const {
    std::string out;
    for (const std::string& w : log) {
      if (kinds.find(w[0]) == std::string::npos) continue;
      if (!out.empty()) out += ' ';
      out += w;
    }
    return out;
  }
  int count(char kind) const {
    int n = 0;
    for (const std::string& w : log) n += w[0] == kind;
    return n;
  }
  // Number of the last audio frame played, 0 if none.
  uint32_t last_audio() const {
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if ((*it)[0] == 'A') return uint32_t(std::stoul(it->substr(1)));
    return 0;
  }
};

MediaFrame make(MediaStream stream, uint32_t number, uint32_t time, std::size_t length, int type) {
  MediaFrame f;
  f.stream = stream;
  f.number = number;
  f.time = time;
  if (length) {
    std::vector<uint8_t> bytes(length, 0x55);
    bytes[0] = uint8_t(type);
    f.bytes = PacketView(PacketBuffer::copy_of(bytes.data(), length, PacketBuffer::Channel::data),
                         0, length);
  }
  return f;
}

class PlaybackTest : public ::testing::Test {
 protected:
  FakePorts ports;
  Playback pb{ports};
  uint32_t t0 = 50000;  // tick count at start
  uint32_t now = 0;

  void SetUp() override {
    pb.set_buffer_size(0);  // no audio lead unless a test asks for one
    pb.set_has_video(true);
    ports.now = &now;
  }
  bool video(uint32_t n, uint32_t t, int type = kInterNormal, std::size_t len = 8) {
    return pb.offer(make(MediaStream::video, n, t, len, type));
  }
  bool audio(uint32_t n, uint32_t t, std::size_t len = 20) {
    return pb.offer(make(MediaStream::audio, n, t, len, 0x42));
  }
  // Audio frames first..last, 20 ms apart from `time`.
  void audio_run(uint32_t first, uint32_t last, uint32_t time) {
    for (uint32_t n = first; n <= last; ++n) audio(n, time + (n - first) * 20);
  }
  void start() {
    now = t0;
    pb.start(t0);
  }
  void tick_at(uint32_t elapsed) {
    now = t0 + elapsed;
    pb.tick(now);
  }
};

// --- offering and buffering ---

TEST_F(PlaybackTest, RefusesFramesNotLaterThanTheLastShownOrPlayed) {
  EXPECT_TRUE(video(2, 33, kIntraNormal));
  EXPECT_TRUE(video(1, 0, kIntraNormal)) << "nothing shown yet: an earlier frame is taken";
  EXPECT_TRUE(audio(1, 0));
  start();
  tick_at(33);
  ASSERT_EQ(pb.last_video_time_shown(), 33u);
  EXPECT_FALSE(video(3, 33)) << "same time as the last shown";
  EXPECT_FALSE(video(3, 20));
  EXPECT_TRUE(video(3, 34));
  EXPECT_FALSE(audio(2, 0)) << "same time as the last played";
  EXPECT_TRUE(audio(2, 1));
}

TEST_F(PlaybackTest, BufferingProgress) {
  struct Case {
    const char* name;
    int buffer;
    bool has_video;
    std::vector<uint32_t> video_times, audio_times;
    int expected;
  } cases[] = {
      {"BufferSize 0", 0, true, {0, 5000}, {0, 5000}, 0},
      {"negative BufferSize", -7500, true, {0, 5000}, {0, 5000}, 0},
      {"the smaller fill", 7500, true, {0, 3750}, {0, 7000}, 50},
      {"capped at 100", 7500, true, {0, 9000}, {0, 9000}, 100},
      {"no audio yet", 7500, true, {0, 9000}, {}, 0},
      {"audio alone without video", 7500, false, {}, {1000, 2500}, 20},
      {"times going back", 7500, true, {5000, 1000}, {0, 5000}, 0},
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(c.buffer);
    b.set_has_video(c.has_video);
    uint32_t n = 1;
    for (uint32_t t : c.video_times) b.offer(make(MediaStream::video, n++, t, 8, kInterNormal));
    n = 1;
    for (uint32_t t : c.audio_times) b.offer(make(MediaStream::audio, n++, t, 8, 0));
    EXPECT_EQ(b.progress_percent(), c.expected) << c.name;
  }
}

// --- start of playback ---

TEST_F(PlaybackTest, StartRuleAndAudioLead) {
  struct Case {
    const char* name;
    int buffer;
    uint32_t v0;
    uint32_t audio_first, audio_count;  // 20 ms apart; count 0: no audio
    std::string lead;                   // audio played before the first step
    int64_t lead_ms;
  } cases[] = {
      // 0..1000 dropped (1000 itself too, as the new first audio time), then
      // played up to 1000 + 2000/2.
      {"audio before the first picture", 2000, 1000, 0, 151, "A52 .. A101", 1000},
      {"BufferSize 1 skips the lead", 1, 0, 0, 151, "", 0},
      {"common start", 2000, 0, 0, 151, "A1 .. A51", 1000},
      {"the queue runs out", 7500, 0, 0, 51, "A1 .. A51", 1000},
      {"stream times far from 0", 2000, 60000, 60000, 151, "A1 .. A51", 1000},
      {"audio after the video", 2000, 0, 5000, 151, "A1 .. A51", 1000},
      {"all audio before the picture", 2000, 5000, 0, 100, "", 0},
      {"no audio", 2000, 0, 0, 0, "", 0},
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(c.buffer);
    b.set_has_video(true);
    b.offer(make(MediaStream::video, 1, c.v0, 8, kIntraNormal));
    for (uint32_t i = 0; i < c.audio_count; ++i)
      b.offer(make(MediaStream::audio, i + 1, c.audio_first + i * 20, 8, 0));
    b.start(t0);
    // Audio played before the first rendered frame is the lead.
    std::vector<std::string> lead;
    for (const std::string& w : p.log) {
      if (w == "F") break;
      if (w[0] == 'A') lead.push_back(w);
    }
    std::string got = lead.empty() ? "" : lead.front() + " .. " + lead.back();
    EXPECT_EQ(got, c.lead) << c.name;
    EXPECT_EQ(b.audio_lead_ms(), c.lead_ms) << c.name;
    EXPECT_EQ(p.seen("V"), "V1f0") << c.name << ": the first picture in the start step";
  }
}

TEST_F(PlaybackTest, AudioAfterTheVideoStartsWithItsPictureAndNothingIsSkipped) {
  pb.set_buffer_size(2000);
  for (uint32_t n = 1; n <= 200; ++n) video(n, (n - 1) * 33, n == 1 ? kIntraNormal : kInterNormal);
  audio_run(1, 300, 5000);
  start();
  for (uint32_t e = 33; e <= 6600; e += 33) tick_at(e);
  EXPECT_EQ(ports.count('L'), 0);
  EXPECT_EQ(ports.count('D'), 200) << "every picture drawn";
  // The wave device leaves its pause with the first picture at or after 5000 ms
  // (frame 153 at 5016), once.
  std::string order = ports.seen("VS");
  EXPECT_NE(order.find("V152f0 V153f0 S V154f0"), std::string::npos) << order;
  EXPECT_EQ(ports.count('S'), 1);
}

TEST_F(PlaybackTest, StreamTimesFarFromZeroKeepTheSoundInStep) {
  pb.set_buffer_size(2000);
  video(1, 60000, kIntraNormal);
  audio_run(1, 400, 60000);
  start();
  ASSERT_EQ(ports.last_audio(), 51u) << "lead 60000..61000";
  for (uint32_t e = 33; e <= 3000; e += 33) {
    tick_at(e);
    // Audio at time t goes out when t - 1000 (the lead) - 60000 is due.
    uint32_t t = 60000 + (ports.last_audio() - 1) * 20;
    ASSERT_LE(t, 61000 + e) << "at " << e;
    ASSERT_GT(t + 40, 61000 + e) << "at " << e;
  }
}

TEST_F(PlaybackTest, WithoutVideoTheAudioLeads) {
  pb.set_buffer_size(2000);
  pb.set_has_video(false);
  audio_run(1, 300, 3000);
  start();
  ASSERT_GE(ports.log.size(), 2u);
  EXPECT_EQ(ports.log[ports.log.size() - 2] + " " + ports.log.back(), "A51 S") << "started after the lead";
  EXPECT_EQ(pb.time_origin(), 3000u);
  // A picture arriving later is shown against the audio clock: due at
  // 4500 - 3000 - 100 ms.
  for (uint32_t e = 33; e <= 2000; e += 33) {
    if (e == 495) video(1, 4500, kIntraNormal);
    tick_at(e);
    uint32_t t = 3000 + (ports.last_audio() - 1) * 20;
    ASSERT_LE(t, 4000 + e) << "at " << e;
    ASSERT_GT(t + 40, 4000 + e) << "at " << e;
    ASSERT_EQ(ports.count('V'), e >= 1400 ? 1 : 0) << "at " << e;
  }
  EXPECT_EQ(ports.count('S'), 1);
}

TEST_F(PlaybackTest, NothingQueuedAtStartPlaysTheFirstFrameWhenItComes) {
  start();
  EXPECT_EQ(ports.seen("S"), "S") << "no picture to wait for";
  tick_at(1000);
  video(1, 7000, kIntraNormal);
  video(2, 7500);
  tick_at(1033);
  EXPECT_EQ(ports.seen("V"), "V1f0");
  EXPECT_EQ(pb.time_origin(), 7000u - 1033u) << "stream time at the start tick";
  tick_at(1432);
  EXPECT_EQ(ports.seen("V"), "V1f0");
  tick_at(1433);
  EXPECT_EQ(ports.seen("V"), "V1f0 V2f0") << "500 ms after the first, less 100";
}

// --- the clock ---

TEST_F(PlaybackTest, DueTests) {
  video(1, 0, kIntraNormal);
  video(2, 200);
  audio(1, 0);
  audio(2, 150);
  start();
  EXPECT_EQ(ports.seen("AV"), "A1 V1f0") << "audio first, then video";
  tick_at(99);
  EXPECT_EQ(pb.last_video_time(), 0u);
  tick_at(100);
  EXPECT_EQ(pb.last_video_time(), 200u) << "video may go 100 ms early";
  tick_at(149);
  EXPECT_EQ(ports.last_audio(), 1u);
  tick_at(150);
  EXPECT_EQ(ports.last_audio(), 2u);

  // With a lead, audio goes out that much ahead.
  FakePorts p;
  Playback b(p);
  b.set_buffer_size(2000);
  b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
  for (uint32_t n = 1; n <= 60; ++n) b.offer(make(MediaStream::audio, n, (n - 1) * 20, 8, 0));
  b.start(t0);
  ASSERT_EQ(p.last_audio(), 51u);
  b.tick(t0 + 19);
  EXPECT_EQ(p.last_audio(), 51u);
  b.tick(t0 + 20);
  EXPECT_EQ(p.last_audio(), 52u) << "1020 - lead 1000";
}

TEST_F(PlaybackTest, StepsPerTickFollowTheElapsedTimeUpToTheCap) {
  struct Case {
    uint32_t gap;
    int steps;
  } cases[] = {
      {0, 1}, {29, 1}, {30, 2}, {300, 11}, {989, 33}, {990, 34},
      {10 * 60 * 1000, int(Playback::kMaxStepsPerTick)},
      {0xFFFFFFFFu, int(Playback::kMaxStepsPerTick)},  // the clock went back by 1 ms
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_has_video(true);
    // All due at once: one picture per step.
    for (uint32_t n = 1; n <= 100; ++n) b.offer(make(MediaStream::video, n, 0, 8, kInterNormal));
    b.start(t0);
    b.tick(t0 + c.gap);
    EXPECT_EQ(p.count('V'), 1 + c.steps) << "gap " << c.gap;
  }
}

TEST_F(PlaybackTest, TickCountsWrap) {
  t0 = 0xFFFFFC00u;
  for (uint32_t n = 1; n <= 100; ++n) video(n, (n - 1) * 33, kInterNormal);
  start();
  for (uint32_t e = 33; e <= 2000; e += 33) {
    tick_at(e);  // crosses 0 at 1024
    if (e < 200) continue;  // the frames due 100 ms early at start are made up first
    ASSERT_LE(pb.last_video_time(), e + 100) << e;
    ASSERT_GT(pb.last_video_time() + 33, e + 100) << e;
  }
  pb.tick(t0);  // going back: a capped catch-up, nothing that is not due
  EXPECT_LE(pb.last_video_time(), 2100u);
}

TEST_F(PlaybackTest, TickBeforeStartDoesNothing) {
  video(1, 0, kIntraNormal);
  pb.tick(t0);
  pb.tick(t0 + 5000);
  EXPECT_TRUE(ports.log.empty());
}

// --- skip rules ---

struct LagResult {
  std::vector<int> flags;
  int drawn, signals;
};

// Audio frames due every 20 ms; each tick brings one video frame lagging the
// audio by `lag` ms (keep_queued: one more frame always waits behind it).
LagResult run_lagging(int64_t lag, bool keep_queued, bool has_video = true) {
  FakePorts p;
  Playback b(p);
  b.set_buffer_size(0);
  b.set_has_video(has_video);
  const uint32_t t0 = 1000;
  b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
  b.offer(make(MediaStream::audio, 1, 0, 8, 0));
  b.start(t0);
  b.tick(t0 + 1000);  // nothing due
  p.log.clear();
  auto video_at = [&](uint32_t n, int64_t t) {
    b.offer(make(MediaStream::video, n, uint32_t(t), 8, kInterNormal));
  };
  if (keep_queued) video_at(2, 1020 - lag);
  for (uint32_t k = 1; k <= 6; ++k) {
    const uint32_t e = 1000 + 20 * k;
    b.offer(make(MediaStream::audio, k + 1, e, 8, 0));
    if (keep_queued) video_at(k + 2, e + 20 - lag);
    else video_at(k + 1, e - lag);
    b.tick(t0 + e);
  }
  LagResult r{{}, p.count('D'), p.count('L')};
  for (const std::string& w : p.log)
    if (w[0] == 'V') r.flags.push_back(w.back() - '0');
  return r;
}

TEST(PlaybackSkip, VideoLaggingAudioIsDecodedWithoutDrawing) {
  struct Case {
    const char* name;
    int64_t lag;
    bool keep_queued, has_video;
    std::vector<int> flags;
    int drawn, signals;
  } cases[] = {
      {"in step", 90, false, true, {0, 0, 0, 0, 0, 0}, 6, 0},
      {"150: every other", 150, false, true, {0, 1, 0, 1, 0, 1}, 3, 0},
      {"200 still every other", 200, false, true, {0, 1, 0, 1, 0, 1}, 3, 0},
      {"250: two of three, with lag signals", 250, false, true, {0, 1, 1, 0, 1, 1}, 2, 6},
      {"350 with nothing queued behind", 350, false, true, {0, 1, 1, 0, 1, 1}, 2, 6},
      {"350: none drawn, two signals each", 350, true, true, {1, 1, 1, 1, 1, 1}, 0, 12},
      {"a stream without video skips nothing", 350, true, false, {0, 0, 0, 0, 0, 0}, 6, 0},
  };
  for (const Case& c : cases) {
    LagResult r = run_lagging(c.lag, c.keep_queued, c.has_video);
    EXPECT_EQ(r.flags, c.flags) << c.name;
    EXPECT_EQ(r.drawn, c.drawn) << c.name;
    EXPECT_EQ(r.signals, c.signals) << c.name;
  }
}

TEST(PlaybackSkip, FarBehindFlushesToTheKeyFrameAtTheAudioPosition) {
  // With strict loss the frame after the flush follows the last flushed one:
  // the flushed frames went to the decoder, so no flag 2 for it.
  for (bool strict : {false, true}) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(0);
    b.set_has_video(true);
    b.set_strict_loss(strict);
    auto video = [&](uint32_t n, uint32_t t, int type = kInterNormal) {
      b.offer(make(MediaStream::video, n, t, 8, type));
    };
    video(1, 0, kIntraNormal);
    b.offer(make(MediaStream::audio, 1, 0, 8, 0));
    b.start(1000);
    p.log.clear();
    b.offer(make(MediaStream::audio, 2, 2000, 8, 0));
    video(2, 500);
    video(3, 533);
    video(5, 600, kIntraNormal);  // 4 becomes a placeholder
    video(6, 700);
    video(7, 1990, kIntraNormal);  // key, but before the audio position
    video(8, 2010, kIntraAdd);
    video(9, 2040);
    b.tick(3000);
    // 2 is released undecoded; 3..7 go to the decoder with flag 2; 8 is
    // decoded without drawing; 9 is back in step and drawn.
    EXPECT_EQ(p.seen("AVLD"), "A2 L L V3f2 V4f2 V5f2 V6f2 V7f2 V8f1 V9f0 Dp") << strict;
    const ReceptionStats::Stream& v = b.stats().stream(MediaStream::video);
    EXPECT_EQ(v.frames, 8u) << "1, the five flushed, 8 and 9";
    EXPECT_EQ(v.lost, 1u);
    EXPECT_EQ(v.skipped, 6u);
    EXPECT_EQ(b.last_video_number(), 9u);
    EXPECT_TRUE(b.video_queue_empty());
  }
}

TEST_F(PlaybackTest, FarBehindWithNoKeyFrameAheadEmptiesTheQueue) {
  video(1, 0, kIntraNormal);
  audio(1, 0);
  start();
  ports.log.clear();
  audio(2, 2000);
  video(2, 500);
  video(3, 533);
  video(4, 1900, kIntraNormal);
  tick_at(2000);
  EXPECT_EQ(ports.seen("AVLD"), "A2 L L V3f2 V4f2");
  EXPECT_TRUE(pb.video_queue_empty());
  EXPECT_EQ(pb.last_video_number(), 1u) << "nothing rendered";
}

// --- strict loss and render results ---

TEST(PlaybackStrict, FramesAfterAGapArePassedWithFlag2AndNotDrawn) {
  struct Offer {
    uint32_t number;
    int type;
  };
  struct Case {
    const char* name;
    bool strict;
    std::vector<std::vector<Offer>> ticks;  // frames offered before each tick
    const char* expected;
  } cases[] = {
      {"strict: INTER_NORMAL and INTRA_ADD after a gap",
       true,
       {{{2, kInterNormal}}, {{4, kInterNormal}}, {{5, kInterNormal}}, {{7, kIntraNormal}},
        {{8, kInterNormal}}, {{10, kIntraAdd}}},
       "V1f0 D V2f0 Dp V4f2 V5f0 Dp V7f0 Dp V8f0 Dp V10f2"},
      {"without strict loss all are drawn",
       false,
       {{{2, kInterNormal}}, {{4, kInterNormal}}, {{5, kInterNormal}}},
       "V1f0 D V2f0 Dp V4f0 Dp V5f0 Dp"},
      {"strict: a placeholder, then its successor in order",
       true,
       {{{2, kInterNormal}, {4, kInterNormal}}},
       "V1f0 D V2f0 Dp V3f2 V4f0 Dp"},
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(0);
    b.set_has_video(true);
    b.set_strict_loss(c.strict);
    b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
    const uint32_t t0 = 7;
    b.start(t0);
    for (const auto& offers : c.ticks) {
      uint32_t last = 0;
      for (const Offer& o : offers) {
        last = o.number * 33;
        b.offer(make(MediaStream::video, o.number, last, 8, o.type));
      }
      b.tick(t0 + last);
    }
    EXPECT_EQ(p.seen("VD"), c.expected) << c.name;
  }
}

TEST(PlaybackRender, DecoderCodes) {
  struct Case {
    const char* name;
    int code;
    std::size_t length;
    bool drawn, counted;
  } cases[] = {
      {"128: no picture", 128, 8, false, false},
      {"0: picture", 0, 8, true, true},
      {"other non-negative", 32767, 8, true, true},
      {"negative: error", -1, 8, false, true},
      {"the lowest code", -32768, 8, false, true},
      {"seen as 16 bits", 65535, 8, false, true},
      {"a one-byte frame is drawn, not counted", 0, 1, true, false},
      {"a placeholder has nothing to draw", 0, 0, false, true},
      {"a placeholder counts whatever the decoder says", 128, 0, false, true},
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(0);
    b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
    b.start(100);
    p.log.clear();
    p.decoder = [&](const MediaFrame&, int) { return c.code; };
    b.offer(make(MediaStream::video, 2, 33, c.length, kInterNormal));
    b.tick(133);
    EXPECT_EQ(p.seen("VD"), c.drawn ? "V2f0 Dp" : "V2f0") << c.name;
    EXPECT_EQ(b.stats().stream(MediaStream::video).frames, c.counted ? 2u : 1u) << c.name;
    EXPECT_EQ(b.last_video_number(), 2u) << c.name;
    EXPECT_EQ(b.frames_decoded_since_format(), 2) << c.name;
  }
}

TEST_F(PlaybackTest, DecoderErrorWithStrictLossSkipsToTheNextKeyFrame) {
  for (bool strict : {true, false}) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(0);
    b.set_strict_loss(strict);
    b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
    b.offer(make(MediaStream::video, 2, 33, 8, kInterNormal));
    b.offer(make(MediaStream::video, 3, 66, 8, kIntraNormal));  // < 66 + 10: flushed
    b.offer(make(MediaStream::video, 4, 100, 8, kInterNormal));
    b.offer(make(MediaStream::video, 5, 133, 8, kIntraNormal));
    p.decoder = [](const MediaFrame& f, int flag) { return f.number == 2 ? -5 : flag == 2 ? 128 : 0; };
    b.start(t0);
    b.tick(t0 + 33);
    b.tick(t0 + 66);
    if (strict)
      EXPECT_EQ(p.seen("V"), "V1f0 V2f0 V3f2 V4f2 V5f0");
    else
      EXPECT_EQ(p.seen("V"), "V1f0 V2f0 V3f0 V4f0 V5f0");
  }
}

TEST_F(PlaybackTest, AudioRender) {
  struct Case {
    const char* name;
    bool open, ok;
    const char* played;
    uint32_t counted;
  } cases[] = {
      {"played", true, true, "A1 A2", 2},
      {"decoding fails: not counted", true, false, "A1 A2", 0},
      {"no wave device: counted, not played", false, true, "", 2},
  };
  for (const Case& c : cases) {
    FakePorts p;
    Playback b(p);
    b.set_buffer_size(0);
    p.open = c.open;
    p.audio_ok = c.ok;
    b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
    b.offer(make(MediaStream::audio, 1, 0, 8, 0));
    b.offer(make(MediaStream::audio, 2, 20, 8, 0));
    b.start(t0);
    b.tick(t0 + 20);
    EXPECT_EQ(p.seen("A"), c.played) << c.name;
    EXPECT_EQ(b.stats().stream(MediaStream::audio).frames, c.counted) << c.name;
  }
}

// --- what the engine sees ---

TEST_F(PlaybackTest, FirstFramePaletteAndAudioStart) {
  video(1, 0, kIntraNormal);
  video(2, 33);
  audio(1, 0);
  start();
  tick_at(33);
  // The first rendered frame is the sound; the second (the first picture)
  // starts the wave device and may bring a palette.
  EXPECT_EQ(ports.seen("FADSV"), "F A1 V1f0 Dp S V2f0 Dp");

  FakePorts p;
  Playback b(p);
  b.set_buffer_size(0);
  b.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
  b.offer(make(MediaStream::video, 2, 33, 8, kInterNormal));
  b.start(t0);
  b.tick(t0 + 33);
  EXPECT_EQ(p.seen("FDSV"), "F V1f0 D V2f0 Dp") << "no palette with the first; no audio to start";

  // After a lead the first picture is the first frame rendered: the sound
  // waits for the second.
  FakePorts q;
  Playback c(q);
  c.set_buffer_size(2000);
  c.offer(make(MediaStream::video, 1, 0, 8, kIntraNormal));
  c.offer(make(MediaStream::video, 2, 33, 8, kInterNormal));
  for (uint32_t n = 1; n <= 100; ++n) c.offer(make(MediaStream::audio, n, (n - 1) * 20, 8, 0));
  c.start(t0);
  c.tick(t0 + 33);
  EXPECT_EQ(q.seen("FDSV"), "F V1f0 D V2f0 Dp S");
}

TEST_F(PlaybackTest, TimeDisplayAtMostOncePer1024ms) {
  for (uint32_t n = 1; n <= 120; ++n) video(n, (n - 1) * 33, n == 1 ? kIntraNormal : kInterNormal);
  start();
  EXPECT_EQ(ports.count('T'), 0) << "none in the start step";
  std::vector<uint32_t> largest;
  for (uint32_t e = 33; e <= 3500; e += 33) {
    const int before = ports.count('T');
    tick_at(e);
    if (ports.count('T') > before) largest.push_back(pb.last_video_time());
  }
  ASSERT_EQ(ports.time_shown_at.size(), 4u);
  EXPECT_EQ(ports.time_shown_at[0], t0 + 33);
  for (std::size_t i = 1; i < ports.time_shown_at.size(); ++i) {
    const uint32_t gap = ports.time_shown_at[i] - ports.time_shown_at[i - 1];
    EXPECT_GE(gap, 1024u);
    EXPECT_LT(gap, 1024u + 33);
  }
  // Each shows the largest time so far (at least the frame that triggered it).
  std::vector<std::string> shown;
  for (const std::string& w : ports.log)
    if (w[0] == 'T') shown.push_back(w);
  for (std::size_t i = 0; i < shown.size(); ++i)
    EXPECT_LE(std::stoul(shown[i].substr(1)), largest[i]) << i;

  // Audio times count less the lead.
  FakePorts p;
  Playback b(p);
  b.set_buffer_size(2000);
  for (uint32_t n = 1; n <= 100; ++n) b.offer(make(MediaStream::audio, n, (n - 1) * 20, 8, 0));
  b.start(t0);
  b.tick(t0 + 20);
  EXPECT_EQ(p.seen("T"), "T20") << "frame 52 at 1020 less the 1000 ms lead";
}

TEST_F(PlaybackTest, ResetAndFormatChange) {
  pb.set_buffer_size(7500);
  pb.set_strict_loss(true);
  video(1, 0, kIntraNormal);
  video(2, 33);
  audio(1, 0);
  start();
  tick_at(33);
  EXPECT_EQ(pb.frames_decoded_since_format(), 2);
  pb.format_changed();
  EXPECT_EQ(pb.frames_decoded_since_format(), 0);
  EXPECT_EQ(pb.last_video_number(), 2u);

  pb.reset();
  EXPECT_FALSE(pb.started());
  EXPECT_TRUE(pb.video_queue_empty());
  EXPECT_TRUE(pb.audio_queue_empty());
  EXPECT_EQ(pb.last_video_number(), 0u);
  EXPECT_EQ(pb.stats().stream(MediaStream::video).frames, 0u);
  EXPECT_EQ(pb.time_origin(), 0u);
  EXPECT_TRUE(video(1, 0, kIntraNormal)) << "nothing shown any more";
  pb.set_has_video(true);
  audio(1, 0);
  video(2, 3750);
  audio(2, 3750);
  EXPECT_EQ(pb.progress_percent(), 50) << "the buffer size is kept";
  ports.log.clear();
  pb.start(t0);
  EXPECT_EQ(ports.seen("FV"), "F V1f0") << "a new play: first frame again";
}

TEST_F(PlaybackTest, MeasuredBandwidthSinceTheOrigin) {
  video(1, 10000, kIntraNormal, 1000);
  audio(1, 10000, 250);
  start();
  video(2, 11000, kInterNormal, 1000);
  audio(2, 11000, 250);
  tick_at(1000);
  // 2000 video bytes and 500 audio bytes over 1000 ms since 10000.
  EXPECT_EQ(pb.measured_bandwidth_kbps(), 16u + 4u);
}

}  // namespace
