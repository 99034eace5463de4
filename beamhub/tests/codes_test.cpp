#include "beamhub/codes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "beamhub/mmcd.h"

namespace beamhub {
namespace {

TEST(ButtonNames, TableOrderAndEnds) {
  struct Row { uint32_t code; const char* name; };
  const Row rows[] = {
      {1024, "Menu"},     {1027, "Mute"},      {1028, "Play"},       {1031, "Eject"},
      {1032, "SkipBackwards"}, {1036, "VolumeUp"}, {1038, "Button0"}, {1047, "Button9"},
      {1048, "Enter"},    {1049, "ShiftLock"}, {1054, "Print"},      {1063, "ScrollRight"},
      {1064, "MouseLock"}, {1065, "MouseLClick"}, {1070, "MouseRight"}, {1071, "Select"},
      {1072, "Tab"},
  };
  for (const Row& r : rows) {
    ASSERT_NE(button_name(r.code), nullptr) << r.code;
    EXPECT_STREQ(button_name(r.code), r.name) << r.code;
    EXPECT_EQ(button_code(r.name), r.code) << r.name;
  }
}

TEST(ButtonNames, EveryNameFitsTheStatusRecordAndIsUnique) {
  for (uint32_t c = kFirstButton; c <= kLastButton; ++c) {
    const char* name = button_name(c);
    ASSERT_NE(name, nullptr);
    EXPECT_LT(std::strlen(name), sizeof(MMCD_STATUS{}.name)) << name;
    EXPECT_EQ(button_code(name), c) << name;
  }
}

TEST(ButtonNames, CodesOutsideTheTableHaveNoName) {
  for (uint32_t c : {0u, 1023u, 1073u, 1085u, 1091u, 0x10000u + 1024u})
    EXPECT_EQ(button_name(c), nullptr) << c;
  EXPECT_EQ(button_code("NoSuchButton"), 0);
  EXPECT_EQ(button_code("mouselclick"), kMouseLClick);  // key names ignore case
  EXPECT_EQ(button_code(""), 0);
}

TEST(PlayStateMapping, Table) {
  struct Row { uint16_t code; uint16_t state; uint16_t expected; const char* what; };
  const Row rows[] = {
      {kPlay, kPlaying, kNextTrack, "play while playing skips on"},
      {kPlay, kPaused, kEvResumed, "play while paused resumes"},
      {kPlay, kTrayOpen, kPlay, "play with tray open"},
      {kPlay, kStopped, kPlay, "play while stopped"},
      {kEvPlaying, kPlaying, kEvNextTrack, "drive playing while playing"},
      {kEvPlaying, kPaused, kEvResumed, "drive playing while paused"},
      {kEvPlaying, kTrayClosed, kEvPlaying, "drive playing, tray closed"},
      {kStop, kPlaying, kStop, "stop while playing"},
      {kStop, kPaused, kEvTrayOpened, "stop while paused opens"},
      {kStop, kTrayOpen, kEvTrayClosed, "stop with tray open closes"},
      {kStop, kStopped, kEvTrayOpened, "stop on a stopped disc opens"},
      {kStop, kTrayClosed, kEvTrayOpened, "stop with tray closed opens"},
      {kEject, kPlaying, kEject, "eject while playing"},
      {kEject, kTrayOpen, kEvTrayClosed, "eject with tray open"},
      {kEvStopped, kStopped, kEvTrayOpened, "drive stopped while stopped"},
      {kEvStopped, kPlaying, kEvStopped, "drive stopped while playing"},
      {kPause, kPaused, kEvResumed, "pause while paused resumes"},
      {kPause, kPlaying, kPause, "pause while playing"},
      {kPause, kTrayOpen, kPause, "pause with tray open"},
      {kEvPaused, kPaused, kEvResumed, "drive paused while paused"},
      {kMenu, kPlaying, kMenu, "other buttons unchanged"},
      {kEvNextTrack, kPaused, kEvNextTrack, "other events unchanged"},
  };
  for (const Row& r : rows) EXPECT_EQ(map_by_play_state(r.code, r.state), r.expected) << r.what;
}

}  // namespace
}  // namespace beamhub
