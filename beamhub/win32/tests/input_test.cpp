// Buttons no program claims act on the desktop: typed keys reach the window
// in front, mouse keys move the pointer and click. Run under Xvfb with
// Wine's X11 driver (tools/display-tests.sh).
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beamhub/win32/tests/client_process.h"
#include "beamhub/win32/tests/machine.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

constexpr DWORD kWaitMs = 15000;

// Presses a button and waits for the tick that handled it to be over: the
// report carrying the code has been read and so has the next one.
bool press_and_wait(const char* button) {
  const std::vector<uint8_t> code = map_code(button);
  size_t before = 0;
  for (const vdrive::LogEntry& e : drive_log())
    if (is_report_read(e) && carries(e, code)) ++before;
  if (!press(button)) return false;
  for (DWORD waited = 0; waited < kWaitMs && !check_stray_boxes(); waited += 50) {
    size_t carried = 0, after = 0;
    for (const vdrive::LogEntry& e : drive_log()) {
      if (!is_report_read(e)) continue;
      if (carries(e, code)) {
        ++carried;
        after = 0;
      } else {
        ++after;
      }
    }
    if (carried > before && after >= 1) return true;
    Sleep(50);
  }
  ADD_FAILURE() << button << " was not read by the poll";
  return false;
}

// A key no button types: pressed by the test after the input it waits for.
const BYTE kMarkerKey = VK_F24;
const char kMarkerWord[] = "keydown:87";

// The words of the client's "input" lines up to a marker key pressed now.
// Input goes through one queue, so once the marker has arrived everything
// typed or clicked before it has arrived too.
std::vector<std::string> input_words(ClientProcess& client) {
  keybd_event(kMarkerKey, 0, 0, 0);
  keybd_event(kMarkerKey, 0, KEYEVENTF_KEYUP, 0);
  std::vector<std::string> words;
  for (DWORD begin = GetTickCount(); GetTickCount() - begin < kWaitMs && !check_stray_boxes();
       Sleep(20)) {
    std::string line = client.run("input");
    EXPECT_EQ(0u, line.find("input")) << line;
    for (size_t at = 6; at < line.size();) {
      size_t end = std::min(line.find(' ', at), line.size());
      if (end > at) {
        if (line.compare(at, end - at, kMarkerWord) == 0) return words;
        words.push_back(line.substr(at, end - at));
      }
      at = end + 1;
    }
  }
  ADD_FAILURE() << "the marker key did not arrive";
  return words;
}

size_t count_prefix(const std::vector<std::string>& words, const std::string& prefix) {
  size_t n = 0;
  for (const std::string& w : words)
    if (w.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

class InputTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // No announcements: sound holds the poll up.
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
    // Pointer moves by exactly what is asked: no acceleration.
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETMOUSE, 0, saved_mouse_, 0));
    int flat[3] = {0, 0, 0};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETMOUSE, 0, flat, 0));
  }
  void TearDown() override {
    client_.quit();
    run_remote("reset");
    SystemParametersInfoA(SPI_SETMOUSE, 0, saved_mouse_, 0);
    MachineTest::TearDown();
  }

  // The client registered with this answer, its window in front at
  // (100,100) 400x300.
  void start_target(int answer) {
    ASSERT_TRUE(client_.start()) << client_.banner();
    client_.run("answer " + std::to_string(answer));
    ASSERT_EQ("register status=80000000", client_.run("register").substr(0, 24));
    ASSERT_EQ("show foreground=1 focus=1", client_.run("show 100 100 400 300"));
    input_words(client_);  // whatever showing it brought
  }

  POINT client_origin() {
    POINT p = {0, 0};
    ClientToScreen(client_.window(), &p);
    return p;
  }

  ClientProcess client_;
  int saved_mouse_[3] = {};
};

TEST_F(InputTest, UnclaimedKeyButtonsAreTypedIntoTheWindowInFront) {
  start_target(2);
  struct Case {
    const char* button;
    const char* keydown;
    const char* character;  // NULL: the key gives none
  };
  const Case cases[] = {
      {"Enter", "keydown:0d", "char:0d"},
      {"Cancel", "keydown:1b", "char:1b"},
      {"PageDown", "keydown:22", NULL},
      {"Tab", "keydown:09", "char:09"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    ASSERT_TRUE(press_and_wait(c.button));
    std::vector<std::string> words = input_words(client_);
    EXPECT_EQ(1u, count_prefix(words, c.keydown));
    EXPECT_EQ(1u, count_prefix(words, "keydown:")) << "only its own key";
    if (c.character) {
      EXPECT_EQ(1u, count_prefix(words, c.character));
    } else {
      EXPECT_EQ(0u, count_prefix(words, "char:"));
    }
  }
}

TEST_F(InputTest, ClaimedEnterIsNotTyped) {
  start_target(1);
  ASSERT_TRUE(press_and_wait("Enter"));
  // The client got the code and took it.
  std::vector<RemoteMessage> got = client_.take_messages();
  bool seen = false;
  for (const RemoteMessage& m : got) seen = seen || m.name == "Enter";
  EXPECT_TRUE(seen);
  std::vector<std::string> words = input_words(client_);
  EXPECT_EQ(0u, count_prefix(words, "keydown:"));
}

TEST_F(InputTest, MouseKeysMoveThePointerByTheStepDoubledWithShiftLock) {
  start_target(2);
  ASSERT_TRUE(press_and_wait("MouseLock"));
  struct Case {
    const char* button;  // "ShiftLock" toggles it
    int dx, dy;
  };
  const Case cases[] = {
      {"MouseUp", 0, -5},     {"MouseRight", 5, 0}, {"MouseDown", 0, 5}, {"MouseLeft", -5, 0},
      {"ShiftLock", 0, 0},    {"MouseUp", 0, -10},  {"MouseRight", 10, 0},
      {"ShiftLock", 0, 0},    {"MouseLeft", -5, 0},
  };
  ASSERT_TRUE(SetCursorPos(300, 250));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    POINT before, after;
    ASSERT_TRUE(GetCursorPos(&before));
    ASSERT_TRUE(press_and_wait(c.button));
    ASSERT_TRUE(GetCursorPos(&after));
    EXPECT_EQ(c.dx, after.x - before.x);
    EXPECT_EQ(c.dy, after.y - before.y);
  }
}

TEST_F(InputTest, MouseStepComesFromTheSetting) {
  ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "MouseInterval", 8));
  start_target(2);
  ASSERT_TRUE(press_and_wait("MouseLock"));
  ASSERT_TRUE(SetCursorPos(300, 250));
  POINT before, after;
  ASSERT_TRUE(GetCursorPos(&before));
  ASSERT_TRUE(press_and_wait("MouseDown"));
  ASSERT_TRUE(GetCursorPos(&after));
  EXPECT_EQ(0, after.x - before.x);
  EXPECT_EQ(8, after.y - before.y);
}

TEST_F(InputTest, MouseClickAtThePointerTwiceWithShiftLock) {
  start_target(2);
  ASSERT_TRUE(press_and_wait("MouseLock"));
  const POINT at = {260, 230};
  ASSERT_TRUE(SetCursorPos(at.x, at.y));
  const POINT origin = client_origin();
  const std::string expected =
      "lbutton:" + std::to_string(at.x - origin.x) + "," + std::to_string(at.y - origin.y);
  struct Case {
    bool shift;
    size_t clicks;
  };
  const Case cases[] = {{false, 1}, {true, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shift ? "shift lock" : "no shift lock");
    if (c.shift) {
      ASSERT_TRUE(press_and_wait("ShiftLock"));
    }
    client_.run("input");
    ASSERT_TRUE(press_and_wait("MouseLClick"));
    std::vector<std::string> words = input_words(client_);
    EXPECT_EQ(c.clicks, count_prefix(words, "lbutton:"));
    EXPECT_EQ(c.clicks, count_prefix(words, expected)) << "clicked where the pointer is";
    EXPECT_EQ(0u, count_prefix(words, "rbutton:"));
    EXPECT_EQ(0u, count_prefix(words, "keydown:")) << "the mouse layer types nothing";
  }
}

}  // namespace
}  // namespace itest
