// The transport, step by step: buttons, notifications and status ticks
// against the scripted devices.
#include <gtest/gtest.h>

#include <algorithm>

#include "beamhub/codes.h"
#include "panel/tests/fakes.h"

namespace panel::testing {
namespace {

using Lines = std::vector<std::string>;

bool has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int count_plays(const Lines& lines) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [](const std::string& l) { return l.find(" play ") != std::string::npos; }));
}

class Transport : public PanelTest {
 protected:
  // A CD of tracks four minutes long, playing track 1.
  void playing_cd(int tracks = 5, bool continuous = true) {
    put_cd(tracks);
    if (!continuous) {
      registry.create_key(kSettingsKey);
      registry.write_binary(kSettingsKey, "ContinuousPlay", {0});
    }
    start("/play /cda");
    cd_at(1, 0, 0);
    tick(mci::kModePlay);
    forget();
  }
  // Moves to the track while playing, then lets the CD report the time.
  void at(int track, int minutes, int seconds) {
    while (panel.current_track() < track) panel.next_track();
    cd_at(track, minutes, seconds);
    tick(mci::kModePlay);
    forget();
  }
  void notify_end() { panel.on_mci_notify(mci::kNotifySuccessful, mci.id_of("cdaudio")); }
};

// The disc of playing_cd in a panel of its own, for each case of a table.
struct CaseCd {
  CaseCd() {
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 5);
    for (int t = 1; t <= 5; ++t) m.answer_value("cdaudio", mci::kStatus, mci::kStatusLength, 4, t);
  }
  // Started on the disc and playing track at minutes:seconds, with what
  // that took forgotten.
  void play_at(int track, int minutes, int seconds, bool continuous) {
    r.caps[MMCD_CAP_DISC_TYPE] = 4;
    p.on_init(kPanelWindow, "/play /cda");
    if (!continuous) p.on_control(IDC_REPEAT);
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusMode, mci::kModePlay);
    p.on_timer(kStatusTimer);
    while (p.current_track() < track) p.next_track();
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusPosition, mci::tmsf(track, minutes, seconds, 0));
    p.on_timer(kStatusTimer);
    m.take();
    r.take_reports();
  }

  FakeMci m;
  FakeShell s;
  FakeRemote r;
  FakeFolders f;
  halvo::MemoryRegistry reg;
  PlaybackPanel p{m, s, r, f, reg};
};

TEST_F(Transport, PauseResumeAndStop) {
  playing_cd();
  at(2, 1, 30);
  EXPECT_EQ(time_text(shell.time), "2 0:01:30");

  panel.pause();
  EXPECT_EQ(mci.take(), Lines{"cdaudio pause []"});
  EXPECT_EQ(remote.take_reports(), (Lines{announce(4), state(6)}));
  EXPECT_TRUE(shell.enabled(IDC_PLAY));
  EXPECT_TRUE(panel.paused());

  panel.pause();
  EXPECT_EQ(mci.take(), (Lines{"cdaudio status [wait,track,item] item=length track=2",
                               "cdaudio play [notify,from,to] from=2:01:30 to=2:04:00 cb=0x500"}));
  EXPECT_EQ(remote.take_reports(), (Lines{announce(5), state(5)}));
  EXPECT_FALSE(shell.enabled(IDC_PLAY));

  panel.stop();
  EXPECT_EQ(mci.take(), Lines{"cdaudio stop [wait]"});
  EXPECT_EQ(remote.take_reports(), (Lines{announce(3), state(8)}));
  EXPECT_EQ(time_text(shell.time), "1 0:00:00") << "stop rewinds a CD";
  EXPECT_EQ(panel.position(), 0);
  EXPECT_TRUE(shell.enabled(IDC_PLAY));
  EXPECT_FALSE(shell.enabled(IDC_STOP));
  EXPECT_FALSE(shell.enabled(IDC_PAUSE));
}

TEST_F(Transport, PlayWhilePausedResumes) {
  playing_cd();
  at(1, 0, 40);
  panel.pause();
  forget();
  panel.play();
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=1:00:40 to=1:04:00 cb=0x500");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(5), state(5), state(5)}));
  EXPECT_FALSE(panel.paused());
}

TEST_F(Transport, PauseDoesNothingUntilTheDevicePlays) {
  put_cd(3);
  start("/play /cda");
  forget();
  panel.pause();
  EXPECT_TRUE(mci.take().empty());
  EXPECT_TRUE(remote.take_reports().empty());
}

TEST_F(Transport, EndOfTheLastTrack) {
  for (bool continuous : {true, false}) {
    SCOPED_TRACE(continuous ? "continuous" : "not continuous");
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 3);
    r.caps[MMCD_CAP_DISC_TYPE] = 4;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, "/play /cda");
    if (!continuous) p.on_control(IDC_REPEAT);
    const MciDeviceId cd = m.id_of("cdaudio");
    p.on_mci_notify(mci::kNotifySuccessful, cd);
    p.on_mci_notify(mci::kNotifySuccessful, cd);
    ASSERT_EQ(p.current_track(), 3);
    m.take();
    r.take_reports();

    p.on_mci_notify(mci::kNotifySuccessful, cd);
    EXPECT_EQ(p.position(), 0);
    EXPECT_EQ(time_text(p.displayed()), "1 0:00:00");
    const Lines lines = m.take();
    if (continuous) {
      EXPECT_EQ(r.take_reports(), Lines{announce(2, 1)});
      EXPECT_EQ(lines.back(), "cdaudio play [notify,from,to] from=1:00:00 to=1:00:00 cb=0x500");
    } else {
      EXPECT_EQ(r.take_reports(), Lines{state(8)});
      EXPECT_TRUE(lines.empty());
      EXPECT_TRUE(s.enabled(IDC_PLAY));
      EXPECT_FALSE(s.enabled(IDC_STOP));
      EXPECT_EQ(time_text(s.time), "1 0:00:00");
    }
  }
}

TEST_F(Transport, NotificationsThatDoNotAdvance) {
  playing_cd();
  const MciDeviceId cd = mci.id_of("cdaudio");
  for (uint32_t code : {mci::kNotifySuperseded, mci::kNotifyAborted, mci::kNotifyFailure})
    panel.on_mci_notify(code, cd);
  panel.on_mci_notify(mci::kNotifySuccessful, cd + 7);  // a device the panel no longer has
  EXPECT_EQ(panel.position(), 0);
  EXPECT_TRUE(mci.take().empty());
  notify_end();
  EXPECT_EQ(panel.position(), 1);
  EXPECT_EQ(remote.take_reports(), Lines{announce(2, 2)});
}

TEST_F(Transport, NextTrackPlaysWhilePlayingAndMovesTheCursorWhileStopped) {
  playing_cd();
  panel.next_track();
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=2:00:00 to=2:04:00 cb=0x500");
  EXPECT_EQ(time_text(shell.time), "2 0:00:00");

  panel.stop();
  tick(mci::kModeStop);
  forget();
  panel.next_track();
  panel.next_track();
  EXPECT_EQ(panel.current_track(), 3) << "stop went back to track 1";
  EXPECT_EQ(panel.position(), 2);
  EXPECT_EQ(count_plays(mci.take()), 0);
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 2), announce(2, 3)}));
}

TEST_F(Transport, NextAtTheLastTrack) {
  for (bool continuous : {true, false}) {
    SCOPED_TRACE(continuous ? "continuous" : "not continuous");
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 2);
    r.caps[MMCD_CAP_DISC_TYPE] = 4;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, "/play /cda");
    if (!continuous) p.on_control(IDC_REPEAT);
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusMode, mci::kModePlay);
    p.on_timer(kStatusTimer);
    p.next_track();
    m.take();
    r.take_reports();

    p.next_track();
    EXPECT_EQ(p.position(), 0);
    EXPECT_EQ(p.current_track(), 1);
    const Lines lines = m.take();
    if (continuous) {
      EXPECT_EQ(r.take_reports(), Lines{announce(2, 1)});
      EXPECT_EQ(count_plays(lines), 1);
    } else {
      EXPECT_EQ(r.take_reports(), (Lines{state(8), announce(2, 2)}));
      EXPECT_EQ(lines, Lines{"cdaudio stop [wait]"});
      EXPECT_TRUE(s.enabled(IDC_PLAY));
      EXPECT_EQ(time_text(s.time), "1 0:00:00");
    }
  }
}

TEST_F(Transport, PreviousAtTheFirstTrack) {
  playing_cd(5, true);
  panel.previous_track();
  EXPECT_EQ(panel.position(), 4);
  EXPECT_EQ(panel.current_track(), 5);
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=5:00:00 to=5:04:00 cb=0x500");

  FakeMci m;
  FakeShell s;
  FakeRemote r;
  FakeFolders f;
  halvo::MemoryRegistry reg;
  m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 5);
  r.caps[MMCD_CAP_DISC_TYPE] = 4;
  PlaybackPanel p(m, s, r, f, reg);
  p.on_init(kPanelWindow, "/play /cda");
  p.on_control(IDC_REPEAT);
  p.previous_track();
  EXPECT_EQ(p.position(), 0);
  EXPECT_EQ(p.current_track(), 1);
}

TEST_F(Transport, SkipForwardOnACd) {
  struct Case {
    const char* name;
    int track, minutes, seconds;
    bool continuous;
    const char* display;
    int position;
    const char* play;  // nullptr: no play
    Lines reports;
  } cases[] = {
      {"within the track", 2, 1, 0, true, "2 0:01:10", 1, "from=2:01:10 to=2:04:00", {announce(7)}},
      {"a minute turns over", 2, 1, 55, true, "2 0:02:05", 1, "from=2:02:05 to=2:04:00", {announce(7)}},
      {"into the next track", 2, 3, 55, true, "3 0:00:05", 2, "from=3:00:05 to=3:04:00", {announce(7)}},
      {"last track wraps with continuous play", 5, 3, 55, true, "1 0:00:05", 0, "from=1:00:05 to=1:04:00",
       {announce(7)}},
      {"last track without continuous play rewinds", 5, 3, 55, false, "1 0:00:00", 0, nullptr,
       {announce(7), state(8)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseCd cd;
    cd.play_at(c.track, c.minutes, c.seconds, c.continuous);
    FakeMci& m = cd.m;
    FakeShell& s = cd.s;
    FakeRemote& r = cd.r;
    PlaybackPanel& p = cd.p;

    p.skip_forward();
    EXPECT_EQ(time_text(s.time), c.display);
    EXPECT_EQ(p.position(), c.position);
    EXPECT_EQ(p.current_track(), s.time.track);
    const Lines lines = m.take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "cdaudio status [wait,track,item] item=length track=" + std::to_string(c.track));
    if (c.play) {
      EXPECT_EQ(lines.back(), std::string("cdaudio play [notify,from,to] ") + c.play + " cb=0x500");
    } else {
      EXPECT_EQ(count_plays(lines), 0);
    }
    EXPECT_EQ(r.take_reports(), c.reports);
    if (!c.play) {
      EXPECT_EQ(p.play_state(), play_state::kStopped);
    }
  }
}

TEST_F(Transport, SkipBackwardOnACd) {
  struct Case {
    const char* name;
    int track, minutes, seconds;
    bool continuous;
    int previous_length;  // seconds, of the track before
    const char* display;
    int position;
  } cases[] = {
      {"within the track", 3, 0, 15, true, 240, "3 0:00:05", 2},
      {"a minute back", 3, 1, 5, true, 240, "3 0:00:55", 2},
      {"into the previous track", 3, 0, 4, true, 182, "2 0:02:56", 1},
      {"into a previous track shorter than what is left", 3, 0, 4, true, 3, "2 0:00:00", 1},
      {"first track without continuous play", 1, 0, 4, false, 240, "1 0:00:00", 0},
      {"first track with continuous play", 1, 0, 4, true, 240, "5 0:03:54", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseCd cd;
    FakeMci& m = cd.m;
    FakeShell& s = cd.s;
    FakeRemote& r = cd.r;
    PlaybackPanel& p = cd.p;
    const int previous = c.track > 1 ? c.track - 1 : 5;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusLength,
                   static_cast<uintptr_t>(c.previous_length / 60 | (c.previous_length % 60) << 8),
                   static_cast<uint32_t>(previous));
    cd.play_at(c.track, c.minutes, c.seconds, c.continuous);

    p.skip_backward();
    EXPECT_EQ(time_text(s.time), c.display);
    EXPECT_EQ(p.position(), c.position);
    EXPECT_EQ(p.current_track(), s.time.track);
    EXPECT_GE(s.time.minutes, 0);
    EXPECT_GE(s.time.seconds, 0);
    // Playing goes on from the new place, to the end of its track.
    const int length = s.time.track == previous && c.track != s.time.track ? c.previous_length : 240;
    char play[96];
    std::snprintf(play, sizeof play, "cdaudio play [notify,from,to] from=%d:%02d:%02d to=%d:%02d:%02d cb=0x500",
                  s.time.track, s.time.minutes, s.time.seconds, s.time.track, length / 60, length % 60);
    EXPECT_EQ(m.take().back(), play);
    EXPECT_EQ(r.take_reports(), Lines{announce(6)});
  }
}

class VideoTransport : public PanelTest {
 protected:
  void playing_video_cd() {
    put_video_cd();
    start("/play /dat");
    tick(mci::kModePlay);
    forget();
  }
};

TEST_F(VideoTransport, PositionAndTenSecondSkips) {
  mci.answer_value("mpegvideo", mci::kStatus, mci::kStatusLength, 5000000);
  playing_video_cd();
  mci.answer_value("mpegvideo", mci::kStatus, mci::kStatusPosition, 3723500);
  tick(mci::kModePlay);
  EXPECT_EQ(time_text(shell.time), "1 1:02:03");
  forget();

  panel.skip_forward();
  EXPECT_EQ(mci.take(), (Lines{"mpegvideo seek [wait,to] to=3733000", "mpegvideo play [notify] cb=0x500"}));
  EXPECT_TRUE(shell.take_log().empty()) << "the window keeps its place";
  EXPECT_EQ(time_text(shell.time), "1 1:02:13");
  EXPECT_EQ(remote.take_reports(), Lines{announce(7)});

  panel.skip_backward();
  EXPECT_EQ(mci.take(), (Lines{"mpegvideo seek [wait,to] to=3723000", "mpegvideo play [notify] cb=0x500"}));
  EXPECT_EQ(remote.take_reports(), Lines{announce(6)});
}

TEST_F(VideoTransport, SkipsThatWouldLeaveTheItemDoNotSeek) {
  mci.answer_value("mpegvideo", mci::kStatus, mci::kStatusLength, 60000);
  playing_video_cd();
  mci.answer_value("mpegvideo", mci::kStatus, mci::kStatusPosition, 55000);
  tick(mci::kModePlay);
  forget();
  panel.skip_forward();
  EXPECT_EQ(mci.take(), Lines{"mpegvideo play [notify] cb=0x500"});

  mci.answer_value("mpegvideo", mci::kStatus, mci::kStatusPosition, 9000);
  tick(mci::kModePlay);
  forget();
  panel.skip_backward();
  EXPECT_EQ(mci.take(), Lines{"mpegvideo play [notify] cb=0x500"});
  EXPECT_EQ(time_text(shell.time), "1 0:00:09");
}

TEST_F(VideoTransport, NextItemReopensTheDevice) {
  playing_video_cd();
  const MciDeviceId first = mci.id_of("mpegvideo");
  shell.placements[0x7000 + first] = Rect{5, 6, 325, 246};
  panel.next_track();
  const Lines lines = mci.take();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "mpegvideo stop []");
  EXPECT_EQ(lines[1], "mpegvideo close []");
  EXPECT_EQ(lines[2], "mpegvideo open [shareable,element,type] element=D:\\MPEGAV\\AVSEQ02.DAT");
  EXPECT_EQ(lines.back(), "mpegvideo play [notify] cb=0x500");
  EXPECT_EQ(panel.video_rect().left, 5) << "the window's place is kept for the next item";
  EXPECT_EQ(remote.take_reports(), Lines{announce(2, 2)});

  panel.on_mci_notify(mci::kNotifySuccessful, first);  // the closed item's
  EXPECT_EQ(panel.position(), 1);
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(VideoTransport, StoppedFromItsWindow) {
  playing_video_cd();
  const WindowHandle window = 0x7000 + mci.id_of("mpegvideo");
  shell.rects[window] = Rect{100, 120, 420, 360};
  tick(mci::kModeStop);
  EXPECT_EQ(panel.play_state(), play_state::kStopped);
  const Lines lines = mci.take();
  EXPECT_TRUE(has(lines, "mpegvideo stop []"));
  EXPECT_EQ(panel.video_rect().top, 120);
  EXPECT_TRUE(shell.enabled(IDC_PLAY));
  EXPECT_FALSE(shell.enabled(IDC_STOP));
  EXPECT_FALSE(shell.enabled(IDC_PAUSE));
}

TEST_F(VideoTransport, ZoomStepsThroughThirdsOfTheDesktop) {
  playing_video_cd();
  const WindowHandle window = 0x7000 + mci.id_of("mpegvideo");
  struct Step {
    int level;
    const char* pos;
    const char* placement;
  } steps[] = {
      {1, "pos 0x7001 342,256 341x256", "placement 0x7001 342,256,683,512 hidden"},
      {2, "pos 0x7001 171,128 682x512", "placement 0x7001 171,128,853,640 hidden"},
      {3, "pos 0x7001 0,0 1024x768", "placement 0x7001 0,0,1024,768 hidden"},
      {1, "pos 0x7001 342,256 341x256", "placement 0x7001 342,256,683,512 hidden"},
  };
  ASSERT_EQ(window, 0x7001u);
  for (const Step& s : steps) {
    panel.on_remote(beamhub::kZoom, nullptr);
    EXPECT_EQ(panel.zoom_level(), s.level);
    EXPECT_EQ(shell.take_log(), (Lines{s.pos, s.placement}));
    EXPECT_EQ(mci.take(), (Lines{"mpegvideo stop []", "mpegvideo play [notify] cb=0x500"}));
    EXPECT_EQ(panel.play_state(), play_state::kPlaying);
  }
}

TEST_F(Transport, ZoomNeedsAVideo) {
  playing_cd();
  panel.zoom();
  EXPECT_EQ(panel.zoom_level(), 0);
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(Transport, TypedNumberExpires) {
  playing_cd();
  at(3, 0, 20);
  for (int d : {1, 2, 3, 4}) panel.on_remote(beamhub::kButton0 + d, nullptr);
  EXPECT_EQ(panel.typed_number(), "234");
  EXPECT_EQ(shell.take_log(), Lines{"timer 2 5000"}) << "one timer for the whole number";
  tick(mci::kModePlay);
  EXPECT_EQ(shell.time.track, 234);

  panel.on_timer(kNumberTimer);
  tick(mci::kModePlay);
  EXPECT_EQ(shell.take_log(), Lines{"kill 2"});
  EXPECT_EQ(panel.typed_number(), "");
  EXPECT_EQ(time_text(shell.time), "3 0:00:20");
}

TEST_F(Transport, TypedNumberIsShownNotPlayed) {
  playing_cd();
  at(3, 1, 0);
  panel.on_remote(beamhub::kButton4, nullptr);
  tick(mci::kModePlay);
  EXPECT_EQ(shell.time.track, 4);
  forget();
  // Pausing and resuming while a number is typed goes on with the track that plays.
  panel.on_remote(beamhub::kPause, nullptr);
  panel.on_remote(beamhub::kPause, nullptr);
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=3:01:00 to=3:04:00 cb=0x500");
}

TEST_F(Transport, DigitWithoutATimerIsDropped) {
  playing_cd();
  shell.refuse_timers = {kNumberTimer};
  panel.type_digit(5);
  EXPECT_EQ(panel.typed_number(), "");
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_NO_TIMER)});
}

TEST_F(Transport, DigitsNeedAnOpenDevice) {
  start();  // no disc
  panel.type_digit(5);
  EXPECT_EQ(panel.typed_number(), "");
  EXPECT_TRUE(shell.timers.count(kNumberTimer) == 0);
}

TEST_F(Transport, JumpFindsTheEntryByItsNumber) {
  put_cd(12);
  remote.caps[MMCD_CAP_DISC_TYPE] = 5;
  start("/play /mix");
  forget();
  panel.type_digit(7);
  panel.jump_to_typed_number();
  EXPECT_EQ(panel.position(), 5) << "a mixed-mode CD's entries start at track 2";
  EXPECT_EQ(panel.current_track(), 7);
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=7:00:00 to=7:04:00 cb=0x500");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 7), state(5)}));

  panel.type_digit(PlaybackPanel::kClearDigits);
  panel.on_timer(kStatusTimer);
  panel.type_digit(4);
  panel.type_digit(0);
  panel.jump_to_typed_number();
  EXPECT_EQ(panel.position(), 5) << "no track 40";
  EXPECT_EQ(count_plays(mci.take()), 0);
}

TEST_F(Transport, PlayWithNothingLoadedTellsNothing) {
  start();  // no disc: kind 7
  forget();
  panel.play();
  panel.next_track();
  EXPECT_TRUE(remote.take_reports().empty());
  EXPECT_TRUE(mci.take().empty());

  FakeMci m;
  FakeShell s;
  FakeRemote r;
  FakeFolders f;
  halvo::MemoryRegistry reg;
  r.caps[MMCD_CAP_DISC_TYPE] = 12;  // a multimedia CD without items
  PlaybackPanel p(m, s, r, f, reg);
  p.on_init(kPanelWindow, "");
  ASSERT_EQ(p.kind(), kMultimediaCd);
  r.take_reports();
  p.play();
  EXPECT_TRUE(r.take_reports().empty());
  EXPECT_TRUE(m.take().empty());
  EXPECT_EQ(s.enabled_transport(), "");
}

TEST_F(Transport, StatusTickFollowsTheDeviceMode) {
  playing_cd();
  struct Case {
    uint32_t mode;
    uint16_t state;
  } cases[] = {
      {mci::kModeOpen, 0}, {mci::kModePlay, 5}, {mci::kModePause, 6}, {mci::kModeNotReady, 7},
      {mci::kModeStop, 8}, {mci::kModeSeek, 8}, {mci::kModeRecord, 8},
  };
  for (const Case& c : cases) {
    tick(c.mode);
    EXPECT_EQ(panel.play_state(), c.state) << "mode " << c.mode;
  }
}

TEST_F(Transport, StatusTickIgnoresThePositionOfAnotherTrack) {
  playing_cd();
  at(2, 0, 30);
  cd_at(3, 0, 1);  // the drive is a track ahead of the panel
  tick(mci::kModePlay);
  EXPECT_EQ(time_text(shell.time), "2 0:00:30");
  panel.type_digit(9);
  tick(mci::kModePlay);
  EXPECT_EQ(time_text(panel.displayed()), "3 0:00:01") << "taken while a number is typed";
  EXPECT_EQ(time_text(shell.time), "9 0:00:01");
}

TEST_F(Transport, FileFromTheCommandLineClosesThePanelWhenDone) {
  start("-play C:\\SOUND.WAV");
  forget();
  panel.on_mci_notify(mci::kNotifySuccessful, mci.id_of("waveaudio"));
  EXPECT_EQ(shell.closes_posted, 1);
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(Transport, MultimediaCdWalksAcrossDeviceClasses) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 12;
  folders.add("D:\\WAVE", {{"A.WAV", false, 1}, {"B.WAV", false, 1}});
  folders.add("D:\\MIDI", {{"C.MID", false, 1}});
  folders.add("D:\\AVI", {{"D.AVI", false, 1}});
  start("/play /qmcd");
  const MciDeviceId first_wave = mci.id_of("waveaudio");
  forget();

  panel.on_mci_notify(mci::kNotifySuccessful, first_wave);
  EXPECT_EQ(panel.kind(), kWaveFile);
  EXPECT_EQ(mci.take(), (Lines{"waveaudio close []", "waveaudio open [element,typeid,type] element=D:\\WAVE\\B.WAV",
                               "waveaudio set [time_format] format=ms", "waveaudio status [wait,item] item=length",
                               "waveaudio play [notify] cb=0x500"}));

  panel.on_mci_notify(mci::kNotifySuccessful, first_wave);  // the closed file's
  EXPECT_EQ(panel.position(), 1);

  panel.on_mci_notify(mci::kNotifySuccessful, mci.id_of("waveaudio"));
  EXPECT_EQ(panel.kind(), kMidiFile);
  // The previous class goes once the new one is open.
  EXPECT_EQ(mci.take(), (Lines{"sequencer open [element,typeid,type] element=D:\\MIDI\\C.MID",
                               "sequencer set [time_format] format=ms", "sequencer status [wait,item] item=length",
                               "waveaudio close []", "sequencer play [notify] cb=0x500"}));

  panel.on_mci_notify(mci::kNotifySuccessful, mci.id_of("sequencer"));
  EXPECT_EQ(panel.kind(), kAviFile);
  const Lines to_avi = mci.take();
  EXPECT_EQ(to_avi.front(), "avivideo open [element,type] element=D:\\AVI\\D.AVI");
  EXPECT_TRUE(has(to_avi, "sequencer close []"));
  EXPECT_TRUE(has(to_avi, "avivideo play [notify] cb=0x500"));
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 2), announce(2, 3), announce(2, 4)}));
}

class Eject : public PanelTest {};

TEST_F(Eject, OpensAClosedTrayAndClosesAnOpenOne) {
  for (uint32_t library_state : {5u, 0u}) {
    SCOPED_TRACE(library_state);
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 3);
    r.caps[MMCD_CAP_DISC_TYPE] = 4;
    r.caps[MMCD_CAP_PLAY_STATE] = library_state;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, "/play /cda");
    m.take();
    r.take_reports();

    p.on_remote(beamhub::kEject, nullptr);
    const bool open = library_state != 0;
    EXPECT_EQ(m.take(), (Lines{"cdaudio stop [wait]", open ? "cdaudio set [door_open]" : "cdaudio set [door_closed]"}));
    EXPECT_EQ(r.take_reports(), open ? (Lines{announce(0), state(0)}) : (Lines{announce(1), state(1)}));
    EXPECT_EQ(s.closes_posted, 1);

    p.on_close();
    EXPECT_TRUE(r.take_reports().empty()) << "no stop report after an eject";
  }
}

TEST_F(Eject, WithoutACdDeviceReachesTheDoorThroughOneOfItsOwn) {
  // A multimedia CD whose discovery failed leaves Eject enabled and no device.
  remote.caps[MMCD_CAP_DISC_TYPE] = 12;
  start();
  ASSERT_FALSE(panel.any_device_open());
  forget();
  panel.eject();
  EXPECT_EQ(mci.take(), (Lines{"cdaudio open [shareable,element,typeid,type] element=D:",
                               "cdaudio set [time_format] format=tmsf", "cdaudio status [wait,item] item=tracks",
                               "cdaudio stop [wait]", "cdaudio set [door_open]"}));
  EXPECT_EQ(shell.closes_posted, 1);
}

TEST_F(Eject, WhenNoCdDeviceCanBeOpened) {
  start();
  mci.fail("cdaudio", mci::kOpen, 266);
  forget();
  panel.eject();
  EXPECT_EQ(mci.take().size(), 1u);
  EXPECT_EQ(shell.take_boxes(), (Lines{ownerless_box(IDS_OPEN_AUDIO_FAILED), "'MCI error 266'"}));
  EXPECT_TRUE(remote.take_reports().empty());
  EXPECT_EQ(shell.closes_posted, 1);
  panel.on_close();
  EXPECT_TRUE(remote.take_reports().empty());
}

TEST_F(Eject, VideoCdRemembersItsWindow) {
  put_video_cd();
  start("/play /dat");
  const WindowHandle window = 0x7000 + mci.id_of("mpegvideo");
  shell.placements[window] = Rect{11, 22, 331, 262};
  forget();
  panel.eject();
  const Lines lines = mci.take();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "mpegvideo stop []");
  EXPECT_EQ(lines[1], "mpegvideo close []");
  EXPECT_EQ(lines[2], "cdaudio open [shareable,element,typeid,type] element=D:");
  EXPECT_EQ(lines.back(), "cdaudio set [door_open]");
  EXPECT_EQ(panel.video_rect().left, 11);
  EXPECT_EQ(shell.closes_posted, 1);
}

TEST_F(Eject, AfterACommandLineFileAsksForTheDrive) {
  remote.drive = "F:";
  start("-play C:\\SOUND.WAV");
  forget();
  panel.eject();
  EXPECT_TRUE(has(remote.take_log(), "drive?"));
  EXPECT_TRUE(has(mci.take(), "cdaudio open [shareable,element,typeid,type] element=F:"));
}

}  // namespace
}  // namespace panel::testing
