// detector.exe under Xvfb with Wine's X11 driver, where windows take the
// foreground and the focus.
#include <windows.h>

#include <string>
#include <vector>

#include "detector/keys.h"
#include "detector/win32/tests/detector_machine.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

HWND recorder_window(DWORD pid) {
  for (HWND window : find_windows(kRecorderClass, NULL, pid))
    if (IsWindowVisible(window)) return window;
  return NULL;
}

class DetectorDisplayTest : public MachineTest {
 protected:
  void SetUp() override {
    delete_tree(HKEY_CURRENT_USER, kSuiteKey);
    MachineTest::SetUp();
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
    ASSERT_TRUE(stand_ins_.ok());
  }
  void TearDown() override {
    detector_.end();
    stand_ins_.end_all();
    run_remote("reset");
    delete_tree(HKEY_CURRENT_USER, kSuiteKey);
    MachineTest::TearDown();
  }

  StandIns stand_ins_{"detector-display"};
  DetectorProcess detector_;
};

// Enter on an entry whose "Command line" is the bare name of a running
// program brings that program's window forward; no second copy starts.
TEST_F(DetectorDisplayTest, EnterBringsTheRunningProgramForward) {
  std::string program = stand_ins_.add("bring.exe");
  std::string key = std::string(detector::kLaunchKey) + "\\App0";
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Description", "Running program"));
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Command line", "BRING.EXE"));
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Parameters", "again"));

  std::string command = program + " first";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  HWND window = NULL;
  ASSERT_TRUE(eventually([&] { return (window = recorder_window(info.dwProcessId)) != NULL; }));
  ShowWindow(window, SW_MINIMIZE);

  ASSERT_TRUE(detector_.start());
  ASSERT_TRUE(eventually([&] { return detector_.main_window() != NULL; }));
  ASSERT_TRUE(press("Menu"));
  ASSERT_TRUE(eventually([&] { return IsWindowVisible(detector_.main_window()) != FALSE; }));
  ASSERT_TRUE(press("Enter"));
  EXPECT_TRUE(eventually([&] { return GetForegroundWindow() == window && !IsIconic(window); }))
      << "not brought forward";
  EXPECT_TRUE(eventually([&] { return !IsWindowVisible(detector_.main_window()); }));
  EXPECT_EQ(std::vector<std::string>{command}, stand_ins_.lines()) << "a second copy was started";
  EXPECT_EQ(1u, stand_ins_.running().size());
}

}  // namespace
}  // namespace itest
