#include "detector/capture_handler.h"

#include <gtest/gtest.h>

#include <sstream>

namespace detector {
namespace {

constexpr CaptureState kHidden{true, false, false, 3, 0};
constexpr CaptureState kShown{true, true, false, 3, 0};
constexpr CaptureState kUnavailable{false, false, false, 3, 0};
constexpr CaptureState kSettings{true, false, true, 3, 0};
constexpr CaptureState kShownSecond{true, true, false, 3, 1};
constexpr CaptureState kShownNine{true, true, false, 9, 0};
constexpr CaptureState kShownEmpty{true, true, false, 0, 0};
constexpr CaptureState kShownTooMany{true, true, false, 40, 0};

// The reaction as one line: the fields asked for, then the result.
std::string describe(const Reaction& r) {
  std::ostringstream s;
  if (r.show_name) s << "name ";
  if (r.clear_name) s << "clear ";
  if (r.set_shift_lock) s << "shift ";
  if (r.set_mouse_lock) s << "mouse ";
  if (r.show_launcher) s << "show ";
  if (r.select_entry >= 0) s << "select" << r.select_entry << " ";
  if (r.start_entry) s << "start ";
  if (r.hide_launcher) s << "hide ";
  if (r.offer_web) s << "web ";
  if (r.start_player) s << "player ";
  if (r.restart_warning) s << "restart ";
  if (r.launcher_shown_after) s << "shown ";
  s << r.result;
  return s.str();
}

TEST(CaptureHandler, CodeTable) {
  struct Case {
    const char* name;
    uint32_t code;
    CaptureState state;
    const char* expected;
  } cases[] = {
      {"Menu shows the launcher", 1024, kHidden, "name show shown 1"},
      {"Menu without the bitmap", 1024, kUnavailable, "name 2"},
      {"Menu while the settings are open", 1024, kSettings, "name 2"},
      {"Menu while shown", 1024, kShown, "name shown 1"},
      {"Web offered on", 1026, kHidden, "name web 1"},
      {"Web while shown reaches nobody", 1026, kShown, "name shown 1"},
      {"Button0 hides", 1038, kShown, "name hide 1"},
      {"Button0 while hidden passes on", 1038, kHidden, "name 2"},
      {"Cancel hides", 1051, kShown, "name hide 1"},
      {"Cancel while hidden passes on", 1051, kHidden, "name 2"},
      {"Button1 selects entry 0 only when another is selected", 1039, kShownSecond, "name select0 shown 1"},
      {"Button1 on the selected entry", 1039, kShown, "name shown 1"},
      {"Button2 selects entry 1", 1040, kShown, "name select1 shown 1"},
      {"Button3 selects the last of three", 1041, kShown, "name select2 shown 1"},
      {"Button4 with three entries does nothing", 1042, kShown, "name shown 1"},
      {"Button9 with nine entries", 1047, kShownNine, "name select8 shown 1"},
      {"Button9 never past nine entries", 1047, kShownTooMany, "name select8 shown 1"},
      {"Button2 while hidden passes on", 1040, kHidden, "name 2"},
      {"Enter starts the selected entry", 1048, kShown, "name start shown 1"},
      {"Enter without entries", 1048, kShownEmpty, "name shown 1"},
      {"Enter while hidden passes on", 1048, kHidden, "name 2"},
      {"ShiftLock", 1049, kHidden, "shift 2"},
      {"MouseLock", 1064, kHidden, "mouse 2"},
      {"MouseLock while shown", 1064, kShown, "mouse shown 1"},
      {"Play while hidden passes on", 1031, kHidden, "name 2"},
      {"Play while shown is handled", 1031, kShown, "name shown 1"},
      {"last button code", 1072, kHidden, "name 2"},
      {"first code past the buttons", 1073, kHidden, "2"},
      {"code below the buttons", 1023, kHidden, "2"},
      {"idle notice", 1085, kHidden, "clear 1"},
      {"disc change", 1090, kHidden, "player 2"},
      {"disc change while shown", 1090, kShown, "player shown 1"},
      {"restart question", 1092, kHidden, "restart 1"},
      {"unknown command while shown", 1091, kShown, "shown 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(describe(react(c.code, c.state)), c.expected) << c.name;
}

TEST(CaptureHandler, WebFrontEndWanted) {
  EXPECT_TRUE(web_front_end_wanted(0)) << "nobody registered";
  EXPECT_TRUE(web_front_end_wanted(2)) << "nobody took it";
  EXPECT_FALSE(web_front_end_wanted(1)) << "a program took it";
  EXPECT_FALSE(web_front_end_wanted(3));
}

TEST(CaptureHandler, LockBitmaps) {
  EXPECT_EQ(lock_bitmap(0, true), 204);
  EXPECT_EQ(lock_bitmap(0, false), 203);
  EXPECT_EQ(lock_bitmap(1, true), 202);
  EXPECT_EQ(lock_bitmap(1, false), 201);
  EXPECT_EQ(lock_bitmap(2, true), 0);
}

}  // namespace
}  // namespace detector
