#include "sim/mci/cd_player.h"

#include <gtest/gtest.h>

namespace halvomci {
namespace {

// The audio test disc: 215, 187, 240 and 198 seconds.
Disc audio_disc() { return Disc({215, 187, 240, 198}); }

constexpr uint32_t kStart2 = kLeadInFrames + 215 * 75;
constexpr uint32_t kStart3 = kStart2 + 187 * 75;
constexpr uint32_t kEnd = kStart3 + 240 * 75 + 198 * 75;

TEST(DiscTest, TrackTable) {
  Disc disc = audio_disc();
  EXPECT_TRUE(disc.audio());
  EXPECT_EQ(4, disc.track_count());
  struct Case { int track; uint32_t start, length; } cases[] = {
      {1, 150, 215 * 75}, {2, kStart2, 187 * 75}, {3, kStart3, 240 * 75},
      {4, kStart3 + 240 * 75, 198 * 75}, {0, 0, 0}, {5, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.start, disc.track_start(c.track)) << c.track;
    EXPECT_EQ(c.length, disc.track_length(c.track)) << c.track;
  }
  EXPECT_EQ(kEnd, disc.end());
  EXPECT_EQ(840u * 75, disc.length());
}

TEST(DiscTest, TrackAtFrame) {
  Disc disc = audio_disc();
  struct Case { uint32_t frame; int track; } cases[] = {
      {0, 1}, {150, 1}, {kStart2 - 1, 1}, {kStart2, 2}, {kStart3 - 1, 2}, {kStart3, 3},
      {kEnd - 1, 4}, {kEnd, 4}};
  for (const Case& c : cases) EXPECT_EQ(c.track, disc.track_at(c.frame)) << c.frame;
}

TEST(DiscTest, DataDiscHasOneEmptyDataTrack) {
  Disc disc;
  EXPECT_FALSE(disc.audio());
  EXPECT_EQ(1, disc.track_count());
  EXPECT_EQ(kLeadInFrames, disc.track_start(1));
  EXPECT_EQ(0u, disc.track_length(1));
  EXPECT_EQ(0u, disc.length());
}

TEST(DiscTest, FromIni) {
  struct Case {
    const char* type; const char* tracks; bool ok; int count; bool audio; int first_audio;
  } cases[] = {
      {"4", "215,187, 240,198", true, 4, true, 1},
      {"5", "600,215,187", true, 3, true, 2},   // mixed: track 1 holds the data
      {"5", "600", true, 1, false, 0},
      {"4", "", true, 1, false, 0},
      {"0", "215,187", true, 1, false, 0},     // a data disc has no audio tracks
      {"8", "", true, 1, false, 0},
      {"", "", true, 1, false, 0},
      {"4", "215,x", false, 0, false, 0},
      {"16", "215", false, 0, false, 0},
  };
  for (const Case& c : cases) {
    Disc disc;
    std::string error;
    ASSERT_EQ(c.ok, Disc::from_ini(c.type, c.tracks, disc, error)) << c.type << c.tracks;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(c.count, disc.track_count()) << c.type << " " << c.tracks;
    EXPECT_EQ(c.audio, disc.audio()) << c.type << " " << c.tracks;
    for (int t = 1; t <= c.count; ++t) {
      EXPECT_EQ(c.audio && t >= c.first_audio, disc.is_audio_track(t)) << c.tracks << " " << t;
    }
  }
}

TEST(DiscTest, MixedDiscPlaysFromTheFirstAudioTrack) {
  Disc disc({600, 215, 187}, true);
  EXPECT_EQ(kLeadInFrames + 600 * 75, disc.audio_start());
  Player player;
  player.load(disc);
  EXPECT_EQ(Error::kDataTrack, player.play(disc.start(), disc.end(), 0));
  EXPECT_EQ(Error::kDataTrack, player.play(disc.audio_start() - 1, disc.end(), 0));
  EXPECT_EQ(Error::kNone, player.play(disc.audio_start(), disc.end(), 0));
}

TEST(DiscTest, MediaIdentityTellsDiscsApart) {
  EXPECT_EQ(audio_disc().media_identity(), audio_disc().media_identity());
  EXPECT_NE(audio_disc().media_identity(), Disc({215, 187, 240, 199}).media_identity());
  EXPECT_NE(audio_disc().media_identity(), Disc({215, 187, 240}).media_identity());
  EXPECT_NE(Disc({100, 200}).media_identity(), Disc({200, 100}).media_identity());
}

TEST(TimeTest, PackedFormats) {
  EXPECT_EQ(0x000200u, pack_msf(150));                    // 00:02:00
  EXPECT_EQ(0x4A3B63u, pack_msf((99 * 60 + 59) * 75 + 74));  // 99:59:74
  EXPECT_EQ(0x03020104u, pack_tmsf(4, (1 * 60 + 2) * 75 + 3));
}

TEST(TimeTest, EncodePosition) {
  Disc disc = audio_disc();
  uint32_t frame = kStart2 + 75 * 61 + 10;  // track 2, 01:01:10
  struct Case { TimeFormat format; uint32_t frame, value; } cases[] = {
      {TimeFormat::kTmsf, frame, 0x0A010102},
      {TimeFormat::kMsf, frame, pack_msf(frame)},
      {TimeFormat::kMilliseconds, frame, frame * 1000 / 75},
      {TimeFormat::kTmsf, kStart2, 0x00000002},
      {TimeFormat::kTmsf, kEnd, pack_tmsf(4, 198 * 75)},
      {TimeFormat::kMsf, 150, 0x000200},
      {TimeFormat::kMilliseconds, 150, 2000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value, encode_position(disc, c.format, c.frame))
        << static_cast<int>(c.format) << " " << c.frame;
  }
}

TEST(TimeTest, EncodeLength) {
  EXPECT_EQ(215000u, encode_length(TimeFormat::kMilliseconds, 215 * 75));
  EXPECT_EQ(0x002303u, encode_length(TimeFormat::kMsf, 215 * 75));   // 03:35:00
  EXPECT_EQ(0x002303u, encode_length(TimeFormat::kTmsf, 215 * 75));
}

TEST(TimeTest, DecodePosition) {
  Disc disc = audio_disc();
  struct Case { TimeFormat format; uint32_t value; Error error; uint32_t frame; } cases[] = {
      {TimeFormat::kTmsf, 0x00000002, Error::kNone, kStart2},
      {TimeFormat::kTmsf, 0x0A010102, Error::kNone, kStart2 + 75 * 61 + 10},
      {TimeFormat::kTmsf, 0x00000005, Error::kOutOfRange, 0},       // no track 5
      {TimeFormat::kTmsf, 0x00000000, Error::kOutOfRange, 0},
      {TimeFormat::kTmsf, 0x00003B01, Error::kOutOfRange, 0},       // past track 1
      {TimeFormat::kTmsf, 0x4B000001, Error::kOutOfRange, 0},       // frame 75
      {TimeFormat::kMsf, 0x000200, Error::kNone, 150},
      {TimeFormat::kMsf, 0x000100, Error::kOutOfRange, 0},          // before the start
      {TimeFormat::kMsf, 0x003C00, Error::kOutOfRange, 0},          // second 60
      {TimeFormat::kMsf, pack_msf(kEnd), Error::kNone, kEnd},
      {TimeFormat::kMsf, pack_msf(kEnd + 1), Error::kOutOfRange, 0},
      {TimeFormat::kMilliseconds, 2000, Error::kNone, 150},
      {TimeFormat::kMilliseconds, 1999, Error::kOutOfRange, 0},
      {TimeFormat::kMilliseconds, 3000, Error::kNone, 225},
  };
  for (const Case& c : cases) {
    uint32_t frame = 0;
    EXPECT_EQ(c.error, decode_position(disc, c.format, c.value, frame))
        << static_cast<int>(c.format) << " " << std::hex << c.value;
    EXPECT_EQ(c.frame, frame) << static_cast<int>(c.format) << " " << std::hex << c.value;
  }
}

TEST(TimeTest, DecodeEncodeRoundTrip) {
  Disc disc = audio_disc();
  for (TimeFormat format : {TimeFormat::kMsf, TimeFormat::kTmsf}) {
    for (uint32_t frame : {150u, kStart2 - 1, kStart2, kStart3 + 4321, kEnd}) {
      uint32_t back = 0;
      ASSERT_EQ(Error::kNone, decode_position(disc, format, encode_position(disc, format, frame),
                                              back));
      EXPECT_EQ(frame, back);
    }
  }
}

TEST(TimeTest, FormatsFromMci) {
  TimeFormat format;
  EXPECT_TRUE(time_format_from_mci(10, format));
  EXPECT_EQ(TimeFormat::kTmsf, format);
  EXPECT_TRUE(time_format_from_mci(0, format));
  EXPECT_EQ(TimeFormat::kMilliseconds, format);
  EXPECT_FALSE(time_format_from_mci(1, format));  // hms
  EXPECT_FALSE(time_format_from_mci(3, format));  // frames
}

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { player.load(audio_disc()); }
  Player player;
};

TEST_F(PlayerTest, LoadStopsAtTheStart) {
  EXPECT_EQ(Mode::kStopped, player.mode());
  EXPECT_EQ(kLeadInFrames, player.position(0));
}

TEST_F(PlayerTest, PositionAdvancesWithTheClockAndPlayEndsOnce) {
  const uint32_t t0 = 0xFFFFF000u;  // the clock wraps during the play
  ASSERT_EQ(Error::kNone, player.play(kStart2, kStart2 + 150, t0));
  struct Step { uint32_t after_ms; Mode mode; uint32_t position; bool ended; } steps[] = {
      {0, Mode::kPlaying, kStart2, false},
      {1000, Mode::kPlaying, kStart2 + 75, false},
      {1999, Mode::kPlaying, kStart2 + 149, false},
      {2000, Mode::kStopped, kStart2 + 150, true},
      {5000, Mode::kStopped, kStart2 + 150, false},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(s.ended, player.update(t0 + s.after_ms)) << s.after_ms;
    EXPECT_EQ(s.mode, player.mode()) << s.after_ms;
    EXPECT_EQ(s.position, player.position(t0 + s.after_ms)) << s.after_ms;
  }
}

TEST_F(PlayerTest, MsToEnd) {
  ASSERT_EQ(Error::kNone, player.play(kStart2, kStart2 + 100, 1000));  // 1333.3 ms
  EXPECT_EQ(1334u, player.ms_to_end(1000));
  EXPECT_EQ(334u, player.ms_to_end(2000));
  EXPECT_EQ(0u, player.ms_to_end(2334));
  player.stop(1500);
  EXPECT_EQ(0u, player.ms_to_end(1600));
}

TEST_F(PlayerTest, StopKeepsThePosition) {
  ASSERT_EQ(Error::kNone, player.play(kStart3, kEnd, 100));
  player.stop(3100);
  EXPECT_EQ(Mode::kStopped, player.mode());
  EXPECT_EQ(kStart3 + 225, player.position(9000));
  EXPECT_FALSE(player.update(999999));
}

TEST_F(PlayerTest, PauseAndResumeContinueToTheSameEnd) {
  ASSERT_EQ(Error::kNone, player.play(kStart2, kStart2 + 300, 0));
  player.pause(2000);
  EXPECT_EQ(Mode::kPaused, player.mode());
  EXPECT_EQ(kStart2 + 150, player.position(60000));
  EXPECT_FALSE(player.update(60000));
  ASSERT_TRUE(player.resume(60000));
  EXPECT_FALSE(player.resume(60000));
  EXPECT_EQ(kStart2 + 225, player.position(61000));
  EXPECT_FALSE(player.update(61999));
  EXPECT_TRUE(player.update(62000));
  EXPECT_EQ(kStart2 + 300, player.position(62000));
}

TEST_F(PlayerTest, PauseWhenNotPlayingChangesNothing) {
  player.pause(10);
  EXPECT_EQ(Mode::kStopped, player.mode());
  EXPECT_FALSE(player.resume(20));
}

TEST_F(PlayerTest, SeekStopsAtTheFrame) {
  ASSERT_EQ(Error::kNone, player.play(kStart2, kEnd, 0));
  EXPECT_EQ(Error::kNone, player.seek(kStart3, 500));
  EXPECT_EQ(Mode::kStopped, player.mode());
  EXPECT_EQ(kStart3, player.position(9000));
  EXPECT_EQ(Error::kOutOfRange, player.seek(kEnd + 1, 600));
  EXPECT_EQ(Error::kOutOfRange, player.seek(10, 600));
  EXPECT_EQ(kStart3, player.position(9000));
}

TEST_F(PlayerTest, PlayChecksItsRange) {
  struct Case { uint32_t from, to; Error error; } cases[] = {
      {kStart2, kEnd, Error::kNone}, {kEnd, kEnd, Error::kNone},
      {kStart3, kStart2, Error::kOutOfRange}, {100, kStart2, Error::kOutOfRange},
      {kStart2, kEnd + 1, Error::kOutOfRange}};
  for (const Case& c : cases) {
    Player p;
    p.load(audio_disc());
    EXPECT_EQ(c.error, p.play(c.from, c.to, 0)) << c.from << "-" << c.to;
    EXPECT_EQ(c.error == Error::kNone ? Mode::kPlaying : Mode::kStopped, p.mode());
  }
}

TEST_F(PlayerTest, EmptyPlayEndsAtOnce) {
  ASSERT_EQ(Error::kNone, player.play(kStart2, kStart2, 50));
  EXPECT_TRUE(player.update(50));
  EXPECT_EQ(kStart2, player.position(50));
}

TEST(PlayerDataTest, DataDiscDoesNotPlay) {
  Player player;
  player.load(Disc());
  EXPECT_EQ(Error::kDataTrack, player.play(kLeadInFrames, kLeadInFrames, 0));
  EXPECT_EQ(Mode::kStopped, player.mode());
}

}  // namespace
}  // namespace halvomci
