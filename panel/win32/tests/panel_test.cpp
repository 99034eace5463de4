// panel.exe under Wine's null driver, started as the detector starts it,
// on the discs of the virtual drive: what it opens and plays, what its
// remote buttons do, and the boxes it shows, found by their texts.
#include <windows.h>

#include <string>
#include <vector>

#include "panel/mcures_ids.h"
#include "panel/win32/tests/panel_machine.h"

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

}  // namespace
}  // namespace itest
