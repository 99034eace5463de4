// The detector and the panel together: the panel registered in the shell
// as the audio CD player is what the detector starts for an audio CD.
#include <windows.h>

#include "detector/keys.h"
#include "detector/win32/tests/detector_machine.h"
#include "panel/mcures_ids.h"
#include "panel/win32/tests/panel_machine.h"

namespace itest {
namespace {

class DetectorAndPanelTest : public PanelTest {
 protected:
  DetectorAndPanelTest() { hold_capture_ = false; }
  void TearDown() override {
    detector_.end();
    // The panel the detector started is not panel_'s process.
    for (HWND dialog : find_windows("#32770", NULL))
      if (GetDlgItem(dialog, IDC_POWER)) PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([] { return panel_windows() == 0; })) << "a panel is left";
    delete_tree(HKEY_CLASSES_ROOT, detector::kind_name(detector::kAudioCd));
    PanelTest::TearDown();
  }
  static int panel_windows() {
    int count = 0;
    for (HWND dialog : find_windows("#32770", NULL))
      if (GetDlgItem(dialog, IDC_POWER)) ++count;
    return count;
  }
  DetectorProcess detector_;
};

TEST_F(DetectorAndPanelTest, AudioCdPutInStartsThePanelOnTrackOne) {
  // As an installation registers it: the detector puts the drive after the switch.
  ASSERT_TRUE(write_string(HKEY_CLASSES_ROOT, detector::play_command_key(detector::kAudioCd), "",
                           "\"" + program_folder() + "panel.exe\" /play /cda %1"));
  ASSERT_TRUE(detector_.start());
  ASSERT_TRUE(eventually([&] { return detector_.main_window() != NULL; }));
  put_in("audio", 4);
  EXPECT_TRUE(eventually([] { return panel_windows() == 1; })) << "no panel started";
  EXPECT_TRUE(eventually([&] { return drive_play_status() == 5; })) << drive_play_status();
  EXPECT_EQ(1ul, query(2)) << "current track";
}

}  // namespace
}  // namespace itest
