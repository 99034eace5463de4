// detector.exe under Xvfb with Wine's X11 driver, where windows take the
// foreground and the focus.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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

POINT pointer() {
  POINT at = {};
  GetCursorPos(&at);
  return at;
}

class DetectorDisplayTest : public MachineTest {
 protected:
  void SetUp() override {
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

// Button1-Button9 put the pointer at the top-left corner of their entry's
// line; the pointer moved over a line selects it, and Enter starts that one.
TEST_F(DetectorDisplayTest, ButtonsMoveThePointerAndThePointerSelects) {
  for (int i = 0; i < 3; ++i) {
    std::string key = std::string(detector::kLaunchKey) + "\\App" + std::to_string(i);
    std::string n = std::to_string(i);
    ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Description", "Program " + n));
    ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Command line", stand_ins_.add("app" + n + ".exe")));
    ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Parameters", "p" + n));
  }
  // The pointer starts out of the launcher's way: only the buttons and the
  // test move it over the lines.
  ASSERT_TRUE(SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) - 1));
  ASSERT_TRUE(detector_.start());
  ASSERT_TRUE(eventually([&] { return detector_.main_window() != NULL; }));
  HWND launcher = detector_.main_window();
  ASSERT_TRUE(press("Menu"));
  // Shown maximised, then at its first paint over the middle of the
  // desktop, always on top, and so it stays.
  auto placed = [&] {
    RECT r = window_rect(launcher);
    return IsWindowVisible(launcher) && !IsZoomed(launcher) && (GetWindowLongA(launcher, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
           r.right - r.left > 100 && r.bottom - r.top > 100 &&
           std::abs(r.left + r.right - GetSystemMetrics(SM_CXSCREEN)) <= 1 &&
           std::abs(r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1;
  };
  ASSERT_TRUE(eventually(placed)) << "launcher not shown over the middle of the desktop";
  const RECT frame = window_rect(launcher);
  POINT origin = {0, 0};
  ASSERT_TRUE(ClientToScreen(launcher, &origin));

  ASSERT_TRUE(press("Button3"));
  EXPECT_TRUE(placed()) << "the launcher did not stay where it was placed";
  POINT third = {};
  ASSERT_TRUE(eventually([&] { return PtInRect(&frame, third = pointer()) != FALSE; }))
      << "pointer at " << third.x << "," << third.y << ", launcher " << frame.left << "," << frame.top << "-"
      << frame.right << "," << frame.bottom;
  ASSERT_TRUE(press("Button1"));
  POINT first = third;
  ASSERT_TRUE(eventually([&] { return (first = pointer()).y != third.y; })) << "Button1 left the pointer";
  EXPECT_EQ(third.x, first.x) << "the lines share their left edge";
  EXPECT_LT(first.y, third.y);
  EXPECT_EQ(origin.y + 57, first.y) << "the first line's top";
  EXPECT_GT(first.x, origin.x);

  // Wine's X11 driver may or may not turn a moved pointer into a mouse move
  // for the window under it. When Enter finds the first entry still
  // selected, the launcher is shown again, the move is posted as the
  // pointer brings it (client coordinates) and Enter pressed once more.
  const POINT into = {third.x + 4, third.y + 4};
  ASSERT_TRUE(SetCursorPos(into.x, into.y));
  ASSERT_TRUE(press("Enter"));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1)) << "nothing started";
  if (stand_ins_.lines() == std::vector<std::string>{stand_ins_.folder() + "\\app0.exe p0"}) {
    std::printf("note: SetCursorPos brought no mouse move; posting WM_MOUSEMOVE\n");
    stand_ins_.end_all();
    ASSERT_TRUE(eventually([&] { return !IsWindowVisible(launcher); }));
    ASSERT_TRUE(press("Menu"));
    ASSERT_TRUE(eventually(placed));
    ASSERT_TRUE(PostMessageA(launcher, WM_MOUSEMOVE, 0, MAKELPARAM(into.x - origin.x, into.y - origin.y)));
    ASSERT_TRUE(press("Enter"));
    ASSERT_TRUE(stand_ins_.wait_for_lines(1)) << "nothing started";
  }
  EXPECT_EQ(std::vector<std::string>{stand_ins_.folder() + "\\app2.exe p2"}, stand_ins_.lines())
      << "the pointer did not select the third entry";
  EXPECT_TRUE(eventually([&] { return !IsWindowVisible(launcher); }));
}

}  // namespace
}  // namespace itest
