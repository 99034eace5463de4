// panel.exe under Wine's null driver, started as the detector starts it,
// on the discs of the virtual drive: what it opens and plays, what its
// remote buttons do, and the boxes it shows, found by their texts.
#include <windows.h>

#include <string>
#include <vector>

#include "detector/win32/tests/detector_machine.h"
#include "panel/mci.h"
#include "panel/mcures_ids.h"
#include "panel/win32/tests/panel_machine.h"
#include "sim/mci/win32/mci_log_reader.h"

namespace itest {
namespace {

// The eight transport buttons; Power and Eject stay usable without them.
const int kTransport[] = {IDC_PLAY_LIST, IDC_PREVIOUS, IDC_PAUSE, IDC_SKIP_BACK,
                          IDC_PLAY,      IDC_SKIP_FORWARD, IDC_STOP, IDC_NEXT};

constexpr unsigned kDiscAudio = 4;
constexpr unsigned kDiscVideoCd = 9;
constexpr int kPlaying = 5;
constexpr int kStopped = 8;

class PanelStartTest : public PanelTest {
 protected:
  bool transport_disabled() const {
    for (int id : kTransport)
      if (panel_.enabled(id)) return false;
    return panel_.enabled(IDC_POWER) && panel_.enabled(IDC_EJECT);
  }
  // Waits for the panel's box and answers OK.
  void expect_box(const std::string& text) {
    ExpectedBoxes boxes;
    EXPECT_TRUE(answer_expected_box(boxes, panel_string(IDS_ERROR_CAPTION), text.c_str(), IDOK,
                                    kPanelWaitMs));
  }
};

TEST_F(PanelStartTest, AudioCdPlaysItsFirstTrack) {
  put_in("audio", kDiscAudio);
  ASSERT_TRUE(panel_.start("/play /cda"));
  ASSERT_TRUE(panel_.wait_for_window());
  EXPECT_TRUE(eventually([&] { return drive_play_status() == kPlaying; })) << drive_play_status();
  EXPECT_EQ(1ul, query(2)) << "current track";
  EXPECT_FALSE(panel_.enabled(IDC_PLAY));
  EXPECT_TRUE(panel_.enabled(IDC_STOP));
  EXPECT_TRUE(panel_.enabled(IDC_PAUSE));
  EXPECT_EQ(static_cast<unsigned long>(kPlaying), capability(MMCD_CAP_PLAY_STATE));
}

TEST_F(PanelStartTest, SwitchForAnotherDiscSaysSoAndStaysOpen) {
  put_in("videocd", kDiscVideoCd);
  ASSERT_TRUE(panel_.start("/play /cda"));
  expect_box("Audio CD not inserted");
  ASSERT_TRUE(panel_.wait_for_window());
  EXPECT_TRUE(eventually([&] { return transport_disabled(); }));
  EXPECT_TRUE(panel_.running());
}

TEST_F(PanelStartTest, UnknownSwitchAsksToCheckTheRegistry) {
  put_in("audio", kDiscAudio);
  ASSERT_TRUE(panel_.start("/play /cdx"));
  expect_box("Unable to activate player. Please check your registry setting and try again.");
  ASSERT_TRUE(panel_.wait_for_window());
  EXPECT_TRUE(eventually([&] { return transport_disabled(); }));
  EXPECT_NE(kPlaying, drive_play_status());
}

TEST_F(PanelStartTest, SecondPanelEndsAtOnce) {
  put_in("audio", kDiscAudio);
  ASSERT_TRUE(panel_.start("/play /cda"));
  ASSERT_TRUE(panel_.wait_for_window());
  PanelProcess second;
  ASSERT_TRUE(second.start("/play /cda") || !second.running());
  DWORD code = 1;
  EXPECT_TRUE(second.wait_for_exit(kPanelWaitMs, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(find_windows("#32770", NULL, second.pid()).empty());
  EXPECT_TRUE(panel_.window() != NULL) << "the first panel goes on";
}

class PanelRemoteTest : public PanelStartTest {
 protected:
  void start_playing() {
    put_in("audio", kDiscAudio);
    ASSERT_TRUE(panel_.start("/play /cda"));
    ASSERT_TRUE(panel_.wait_for_window());
    ASSERT_TRUE(eventually([&] { return drive_play_status() == kPlaying; }));
  }
};

TEST_F(PanelRemoteTest, DigitsAndEnterJumpToTheTrack) {
  start_playing();
  ASSERT_TRUE(press("Button3"));
  ASSERT_TRUE(press("Enter"));
  EXPECT_TRUE(eventually([&] { return query(2) == 3; })) << query(2);
  EXPECT_EQ(kPlaying, drive_play_status());
}

TEST_F(PanelRemoteTest, StopThenPlay) {
  start_playing();
  ASSERT_TRUE(press("Stop"));
  EXPECT_TRUE(eventually([&] { return drive_play_status() == kStopped; })) << drive_play_status();
  EXPECT_TRUE(eventually([&] { return panel_.enabled(IDC_PLAY) && !panel_.enabled(IDC_STOP); }));
  ASSERT_TRUE(press("Play"));
  EXPECT_TRUE(eventually([&] { return drive_play_status() == kPlaying; })) << drive_play_status();
  EXPECT_EQ(1ul, query(2));
}

TEST_F(PanelRemoteTest, EjectOpensTheDoorAndClosesThePanel) {
  start_playing();
  ASSERT_TRUE(press("Eject"));
  EXPECT_TRUE(eventually([&] { return drive_tray_open(); }));
  EXPECT_TRUE(panel_.wait_for_exit(kPanelWaitMs));
}

// Help asks the viewer for the suite's help file; About shows the box.
TEST_F(PanelStartTest, MenuHelpAndAbout) {
  TestFolder suite("panel-help");
  ASSERT_TRUE(suite.ok());
  const std::string app_path = suite.path().substr(0, suite.path().size() - 1);
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, kSuiteKey, "AppPath", app_path));
  // WinHelpA finds the stand-in in the panel's current folder.
  const std::string viewer = app_path + "\\winhlp32.exe";
  ASSERT_TRUE(place_standin(kHelpViewer, viewer));
  put_in("audio", kDiscAudio);
  ASSERT_TRUE(panel_.start("/play /cda", app_path.c_str()));
  HWND panel = panel_.wait_for_window();
  ASSERT_TRUE(panel != NULL);

  ASSERT_TRUE(post_command(panel, IDM_HELP));
  EXPECT_TRUE(eventually([&] { return !help_requests(viewer).empty(); })) << "no help request";
  std::vector<HelpRequest> requests = help_requests(viewer);
  if (!requests.empty()) {
    EXPECT_EQ(static_cast<UINT>(HELP_FINDER), requests[0].command);
    EXPECT_EQ(app_path + "\\mmcu.hlp", requests[0].file);
  }
  for (HWND window : find_windows(kHelpViewerClass, NULL)) PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(eventually([] { return find_windows(kHelpViewerClass, NULL).empty(); })) << "help viewer left";

  ASSERT_TRUE(post_command(panel, IDM_ABOUT));
  HWND about = NULL;
  ASSERT_TRUE(eventually([&] {
    return (about = find_window("#32770", "About Halvo Multimedia Deck", panel_.pid())) != NULL &&
           IsWindowVisible(about);
  }));
  EXPECT_EQ("Version 1.00", text_of(GetDlgItem(about, IDC_ABOUT_VERSION)));
  ASSERT_TRUE(click(about, IDOK));
  EXPECT_TRUE(eventually([&] { return !IsWindow(about); }));
  EXPECT_TRUE(panel_.running());
}

// The last play the CD device was given.
bool last_cd_play(const std::vector<mcilog::Entry>& log, uint32_t& from) {
  for (auto e = log.rbegin(); e != log.rend(); ++e)
    if (e->type == "cdaudio" && e->message == panel::mci::kPlay && !e->is_notify() && e->error() == 0) {
      from = e->from;
      return true;
    }
  return false;
}

const char kSettingKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Mcu\\Setting";

TEST_F(PanelRemoteTest, NextAtTheLastTrack) {
  struct Row {
    BYTE continuous;
    bool playing;  // after Next: playing track 1, or cued to it
  };
  const Row rows[] = {{1, true}, {0, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.continuous ? "continuous play on" : "continuous play off");
    ASSERT_TRUE(write_binary(HKEY_CURRENT_USER, kSettingKey, "ContinuousPlay", {row.continuous}));
    start_playing();
    ASSERT_TRUE(press("Button4"));
    ASSERT_TRUE(press("Enter"));
    ASSERT_TRUE(eventually([&] { return query(2) == 4; })) << query(2);
    mcilog::clear();
    ASSERT_TRUE(press("NextTrack"));
    EXPECT_TRUE(eventually([&] { return query(2) == 1; })) << query(2);
    uint32_t from = 0;
    if (row.playing) {
      EXPECT_TRUE(eventually([&] { return last_cd_play(mcilog::read(), from); }));
      EXPECT_EQ(panel::mci::tmsf(1, 0, 0, 0), from);
      EXPECT_EQ(kPlaying, drive_play_status());
    } else {
      EXPECT_TRUE(eventually([&] { return panel_.enabled(IDC_PLAY) && !panel_.enabled(IDC_STOP); }));
      EXPECT_TRUE(eventually([&] { return capability(MMCD_CAP_PLAY_STATE) == 8; }));
      EXPECT_FALSE(last_cd_play(mcilog::read(), from)) << mcilog::dump(mcilog::read());
    }
    panel_.end();
  }
}

TEST_F(PanelRemoteTest, SkipsCrossTrackEnds) {
  struct Row {
    const char* name;
    int track, minutes, seconds;  // where the disc is held
    const char* button;
    uint32_t from;                // where the panel plays on
    unsigned long current;
  };
  // Track 1 of the disc is 3:35 long.
  const Row rows[] = {
      {"forwards past the end of track 1", 1, 3, 30, "SkipForwards", panel::mci::tmsf(2, 0, 5, 0), 2},
      {"backwards past the start of track 2", 2, 0, 4, "SkipBackwards", panel::mci::tmsf(1, 3, 29, 0), 1},
  };
  start_playing();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    char position[32];
    wsprintfA(position, "position D %d 0:%02d:%02d --hold", row.track, row.minutes, row.seconds);
    ASSERT_TRUE(run_remote(position));
    // The panel shows the held time once its status poll has read it.
    const uint32_t held = panel::mci::tmsf(row.track, row.minutes, row.seconds, 0);
    ASSERT_TRUE(mcilog::wait_for(
        [&](const std::vector<mcilog::Entry>& log) {
          for (const mcilog::Entry& e : log)
            if (e.type == "cdaudio" && e.message == panel::mci::kStatus &&
                e.item == panel::mci::kStatusPosition && e.error() == 0 &&
                (static_cast<uint32_t>(e.value) & 0x00FFFFFF) == held)
              return true;
          return false;
        },
        kPanelWaitMs));
    mcilog::clear();
    ASSERT_TRUE(press(row.button));
    uint32_t from = 0;
    EXPECT_TRUE(eventually([&] { return last_cd_play(mcilog::read(), from); }));
    EXPECT_EQ(row.from, from) << std::hex << from;
    EXPECT_EQ(row.current, query(2));
  }
}

}  // namespace
}  // namespace itest
