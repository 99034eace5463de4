// The remote's code table, the indicators, the volume bar and the close.
#include <gtest/gtest.h>

#include <algorithm>

#include "beamhub/codes.h"
#include "panel/tests/fakes.h"

namespace panel::testing {
namespace {

using Lines = std::vector<std::string>;

class Remote : public PanelTest {
 protected:
  void playing_cd(int tracks = 12) {
    put_cd(tracks);
    start("/play /cda");
    cd_at(1, 0, 0);
    tick(mci::kModePlay);
    forget();
  }
  uint32_t press(uint32_t code) { return panel.on_remote(code, nullptr); }
  uint32_t ask(uint16_t cmd_class, uint16_t item, uint32_t& value) {
    MMCD_CMD c{cmd_class, item, 0xDEAD, 0, nullptr};
    const uint32_t result = panel.on_remote(beamhub::kEvCommand, &c);
    value = c.value;
    return result;
  }
};

TEST_F(Remote, CodeTableAnswers) {
  struct Case {
    uint32_t code;
    uint32_t result;
  } cases[] = {
      {beamhub::kMenu, 2},        {beamhub::kZoom, 1},        {beamhub::kWeb, 2},
      {beamhub::kMute, 2},        {beamhub::kStop, 1},        {beamhub::kEvStopped, 1},
      {beamhub::kPause, 1},       {beamhub::kEvPaused, 1},    {beamhub::kEvResumed, 1},
      {beamhub::kSkipBackwards, 1}, {beamhub::kEvRewinding, 1}, {beamhub::kSkipForwards, 1},
      {beamhub::kEvForwarding, 1}, {beamhub::kPrevTrack, 1},  {beamhub::kEvPrevTrack, 1},
      {beamhub::kNextTrack, 1},   {beamhub::kEvNextTrack, 1}, {beamhub::kVolumeUp, 2},
      {beamhub::kVolumeDown, 2},  {beamhub::kEvDriveVolumeUp, 2}, {beamhub::kEvDriveVolumeDown, 2},
      {beamhub::kButton0, 1},     {beamhub::kButton9, 1},     {beamhub::kShiftLock, 2},
      {beamhub::kCancel, 2},      {beamhub::kTab, 2},         {beamhub::kEvNothing, 2},
      {beamhub::kEvDiscPresent, 2}, {beamhub::kEvCommand, 1}, {beamhub::kPlay, 1},
      {beamhub::kEvPlaying, 1},
  };
  playing_cd();
  for (const Case& c : cases) EXPECT_EQ(press(c.code), c.result) << "code " << c.code;
}

TEST_F(Remote, EnterWithoutANumberPassesOn) {
  playing_cd();
  EXPECT_EQ(press(beamhub::kEnter), kRemotePassOn);
  EXPECT_TRUE(mci.take().empty());
  press(beamhub::kButton4);
  EXPECT_EQ(press(beamhub::kEnter), kRemoteHandled);
  EXPECT_EQ(panel.current_track(), 4);
  EXPECT_EQ(panel.typed_number(), "") << "the number is used up";
}

TEST_F(Remote, PlayWithATypedNumberJumpsToIt) {
  playing_cd();
  press(beamhub::kButton1);
  press(beamhub::kButton2);
  EXPECT_EQ(press(beamhub::kPlay), kRemoteHandled);
  EXPECT_EQ(panel.current_track(), 12);
  EXPECT_EQ(panel.position(), 11);
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from,to] from=12:00:00 to=12:04:00 cb=0x500");
  EXPECT_EQ(panel.typed_number(), "");
}

TEST_F(Remote, NextWithATypedNumberJumpsToIt) {
  playing_cd();
  press(beamhub::kButton5);
  press(beamhub::kNextTrack);
  EXPECT_EQ(panel.current_track(), 5);
  press(beamhub::kNextTrack);
  EXPECT_EQ(panel.current_track(), 6);
}

TEST_F(Remote, TrackButtonsDoNothingForASingleFileOrACdi) {
  start("-play C:\\SOUND.WAV");
  forget();
  press(beamhub::kNextTrack);
  press(beamhub::kPrevTrack);
  EXPECT_TRUE(mci.take().empty());
  EXPECT_TRUE(remote.take_reports().empty());

  FakeMci m;
  FakeShell s;
  FakeRemote r;
  FakeFolders f;
  halvo::MemoryRegistry reg;
  r.caps[MMCD_CAP_DISC_TYPE] = 8;
  PlaybackPanel p(m, s, r, f, reg);
  p.on_init(kPanelWindow, "/play /cdi");
  m.take();
  r.take_reports();
  p.on_remote(beamhub::kButton1, nullptr);
  EXPECT_EQ(p.on_remote(beamhub::kEnter, nullptr), kRemotePassOn) << "a CD-i title has no numbers";
  p.on_remote(beamhub::kNextTrack, nullptr);
  p.on_remote(beamhub::kPrevTrack, nullptr);
  EXPECT_TRUE(m.take().empty());
  EXPECT_TRUE(r.take_reports().empty());
}

TEST_F(Remote, AppMenuOnlyWhenThePanelIsInFront) {
  playing_cd();
  shell.foreground = false;
  EXPECT_EQ(press(beamhub::kAppMenu), kRemotePassOn);
  EXPECT_TRUE(shell.take_log().empty());
  shell.foreground = true;
  EXPECT_EQ(press(beamhub::kAppMenu), kRemoteHandled);
  EXPECT_EQ(shell.take_log(), Lines{"app menu"});
}

TEST_F(Remote, QueriesOfTheLibrary) {
  put_video_cd();
  start("/play /dat");
  tick(mci::kModePlay);
  press(beamhub::kZoom);
  press(beamhub::kZoom);
  panel.next_track();
  struct Case {
    uint16_t cmd_class, item;
    uint32_t value;
  } cases[] = {
      {1, 1, play_state::kPlaying},
      {1, 2, 2},       // the current item
      {1, 3, 2},       // two zooms
      {1, 4, 0xDEAD},  // not a query: left alone
      {2, 1, 0xDEAD},
  };
  for (const Case& c : cases) {
    uint32_t value = 0;
    EXPECT_EQ(ask(c.cmd_class, c.item, value), kRemoteHandled) << c.cmd_class << "/" << c.item;
    EXPECT_EQ(value, c.value) << c.cmd_class << "/" << c.item;
  }
}

TEST_F(Remote, PlayStateQueryWhileACdPlays) {
  playing_cd();
  uint32_t value = 0;
  ask(1, 1, value);
  EXPECT_EQ(value, 5u);
  ask(1, 2, value);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(panel.on_remote(beamhub::kEvCommand, nullptr), kRemoteHandled);
}

TEST_F(Remote, AQueryKeepsATypedNumber) {
  playing_cd();
  press(beamhub::kButton3);
  uint32_t value = 0;
  ask(1, 2, value);
  EXPECT_EQ(panel.typed_number(), "3");
  ask(7, 1, value);
  EXPECT_EQ(panel.typed_number(), "") << "other commands clear it";
}

TEST_F(Remote, MuteAndVolumeFollowTheLibrary) {
  playing_cd();
  remote.caps[MMCD_CAP_MUTE] = 1;  // the library toggled it
  EXPECT_EQ(press(beamhub::kMute), kRemotePassOn);
  EXPECT_TRUE(panel.muted());
  EXPECT_EQ(shell.indicators[IDC_MUTE], 1);

  remote.caps[MMCD_CAP_VOLUME] = 0x2000'8000;  // the library unmuted and turned it up
  EXPECT_EQ(press(beamhub::kVolumeUp), kRemotePassOn);
  EXPECT_FALSE(panel.muted());
  EXPECT_EQ(shell.indicators[IDC_MUTE], 0);
  EXPECT_EQ(shell.volume_level, 34) << "the left channel: 68 * 0x8000 / 65535";
  EXPECT_TRUE(remote.take_log().empty()) << "nothing set from the panel";
}

TEST_F(Remote, VolumeStaysWhenTheLibraryCannotTell) {
  playing_cd();
  shell.volume_level = 20;
  remote.failing_caps = {MMCD_CAP_VOLUME};
  tick(mci::kModePlay);
  EXPECT_EQ(shell.volume_level, 20);
}

TEST_F(Remote, ClicksOnTheIndicatorsAndTheVolumeBar) {
  remote.caps[MMCD_CAP_MUTE] = 1;
  playing_cd();
  ASSERT_TRUE(panel.muted());

  panel.on_volume_click(34);
  EXPECT_EQ(remote.take_log(), (Lines{"set 0x100c 0x0", "set 0x1003 0x7fff7fff"}));
  EXPECT_FALSE(panel.muted());
  EXPECT_EQ(shell.indicators[IDC_MUTE], 0);
  EXPECT_EQ(shell.volume_level, 34);

  panel.on_volume_click(68);
  EXPECT_EQ(remote.take_log(), Lines{"set 0x1003 0xffffffff"});
  panel.on_volume_click(-5);  // a click that arrived from outside the bar
  EXPECT_EQ(remote.take_log(), Lines{"set 0x1003 0x0"});

  panel.on_control(IDC_MUTE);
  EXPECT_EQ(remote.take_log(), Lines{"set 0x100c 0x1"});
  EXPECT_EQ(shell.indicators[IDC_MUTE], 1);
  panel.on_control(IDC_MUTE);
  EXPECT_EQ(remote.take_log(), Lines{"set 0x100c 0x0"});
  EXPECT_EQ(shell.indicators[IDC_MUTE], 0);

  EXPECT_TRUE(panel.continuous_play());
  panel.on_control(IDC_REPEAT);
  EXPECT_FALSE(panel.continuous_play());
  EXPECT_EQ(shell.indicators[IDC_REPEAT], 1);
  panel.on_control(IDC_REPEAT);
  EXPECT_EQ(shell.indicators[IDC_REPEAT], 0);
}

TEST_F(Remote, ButtonsReachTheTransport) {
  playing_cd();
  struct Case {
    int control;
    const char* mci;
  } cases[] = {
      {IDC_NEXT, "cdaudio play [notify,from,to] from=2:00:00 to=2:04:00 cb=0x500"},
      {IDC_PREVIOUS, "cdaudio play [notify,from,to] from=1:00:00 to=1:04:00 cb=0x500"},
      {IDC_SKIP_FORWARD, "cdaudio play [notify,from,to] from=1:00:10 to=1:04:00 cb=0x500"},
      {IDC_SKIP_BACK, "cdaudio play [notify,from,to] from=1:00:00 to=1:04:00 cb=0x500"},
      {IDC_PAUSE, "cdaudio pause []"},
      {IDC_PLAY, "cdaudio play [notify,from,to] from=1:00:00 to=1:04:00 cb=0x500"},
      {IDC_STOP, "cdaudio stop [wait]"},
  };
  for (const Case& c : cases) {
    panel.on_control(c.control);
    const Lines lines = mci.take();
    ASSERT_FALSE(lines.empty()) << c.control;
    EXPECT_EQ(lines.back(), c.mci) << c.control;
  }
  panel.on_control(IDC_PLAY_LIST);  // the editor comes with the albums
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(Remote, CloseStopsReportsUnregistersAndSaves) {
  put_video_cd();
  start("/play /dat");
  const WindowHandle video = 0x7000 + mci.id_of("mpegvideo");
  shell.placements[video] = Rect{60, 70, 380, 310};
  shell.placements[kPanelWindow] = Rect{200, 650, 569, 687};
  panel.on_control(IDC_REPEAT);
  forget();

  panel.on_close();
  EXPECT_EQ(remote.take_reports(), Lines{state(8)});
  EXPECT_EQ(shell.take_log(), (Lines{"kill 1", "kill 2"}));
  EXPECT_EQ(mci.take(), (Lines{"mpegvideo stop []", "mpegvideo close []"}));
  EXPECT_EQ(remote.take_log(), Lines{"unregister 0x51"});
  EXPECT_EQ(registry.read_dword(kSettingsKey, "PanelX"), 200u);
  EXPECT_EQ(registry.read_dword(kSettingsKey, "PanelY"), 650u);
  EXPECT_EQ(registry.read_dword(kSettingsKey, "VideoX"), 60u);
  EXPECT_EQ(registry.read_dword(kSettingsKey, "VideoH"), 310u);
  EXPECT_EQ(registry.read_binary(kSettingsKey, "ContinuousPlay"), std::vector<uint8_t>{0});

  panel.on_close();  // a second WM_CLOSE already queued
  EXPECT_TRUE(remote.take_reports().empty());
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(Remote, CloseClosesEveryAudioDevice) {
  playing_cd();
  panel.on_close();
  EXPECT_EQ(mci.take(), (Lines{"cdaudio stop [wait]", "cdaudio close []"}));
}

TEST_F(Remote, ActivationMakesThePanelTheFirstReceiver) {
  start();
  forget();
  panel.on_activate();
  EXPECT_EQ(remote.take_log(), Lines{"first 0x51"});

  FakeRemote unregistered;
  unregistered.register_status = MMCD_ERR_NO_RECEIVER;
  FakeShell s;
  PlaybackPanel p(mci, s, unregistered, folders, registry);
  p.on_init(kPanelWindow, "");
  unregistered.take_log();
  p.on_activate();
  p.on_close();
  EXPECT_TRUE(unregistered.take_log().empty());
}

TEST_F(Remote, EndOfSessionAndPalette) {
  put_video_cd();
  start("/play /dat");
  forget();
  panel.on_query_new_palette();
  EXPECT_EQ(mci.take(), Lines{"mpegvideo realize [norm]"});
  panel.on_query_end_session();
  EXPECT_EQ(shell.closes_posted, 1);
}

}  // namespace
}  // namespace panel::testing
