#include "qemliv32/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace qem {
namespace {

TEST(Settings, MissingFileGivesEveryDefault) {
  QemSettings s = load_settings_text("");
  EXPECT_EQ(s.buffer_size, 7500);
  EXPECT_EQ(s.band_width, 12);
  EXPECT_EQ(s.interlaced, 1);
  EXPECT_EQ(s.slide_mode, 0);
  EXPECT_EQ(s.statistics, 0);
  EXPECT_EQ(s.audio_ctls, 0);
  EXPECT_EQ(s.player4_full_screen, 0);
  EXPECT_EQ(s.data_port, 0);
  EXPECT_EQ(s.auto_data_port, 1);
  EXPECT_EQ(s.debug_level, 0);
  EXPECT_EQ(s.url, "");
  EXPECT_FALSE(s.x);
  EXPECT_FALSE(s.y);
  EXPECT_EQ(s.zoom, 0);
  EXPECT_EQ(s.player_id, "");
  EXPECT_EQ(s.name, "User unknown");
  EXPECT_EQ(s.company, "Company unknown");
  EXPECT_EQ(s.email, "EMail unknown");
  EXPECT_EQ(s.directory, "C:\\qemplay");
  EXPECT_EQ(s.lastmsg, "");
  EXPECT_EQ(s.lasthdr, "");
}

TEST(Settings, EveryKeyIsReadWithoutRegardToCase) {
  QemSettings s = load_settings_text(
      "[SETTINGS]\n"
      "buffersize=9000\nBANDWIDTH=28\ninterlaced=0\nslidemode=1\nSTATISTICS=1\n"
      "audioctls=1\nplayer4fullscreen=1\ndataport=6970\nautodataport=0\ndebuglevel=3\n"
      "url=qem://h/x\nX=-20\nY=40\nzoom=2\n"
      "[user details]\r\n"
      "player id={6B29FC40-CA47-1067-B31D-00DD010662DA}\r\nname=Ann\r\ncompany=Co\r\n"
      "email=ann@halvo.example\r\n"
      "[program]\ndirectory=D:\\players\\qem\n"
      "[TEMP]\nLastMsg=line1~line2\nLastHdr=Title\n");
  EXPECT_EQ(s.buffer_size, 9000);
  EXPECT_EQ(s.band_width, 28);
  EXPECT_EQ(s.interlaced, 0);
  EXPECT_EQ(s.slide_mode, 1);
  EXPECT_EQ(s.statistics, 1);
  EXPECT_EQ(s.audio_ctls, 1);
  EXPECT_EQ(s.player4_full_screen, 1);
  EXPECT_EQ(s.data_port, 6970);
  EXPECT_EQ(s.auto_data_port, 0);
  EXPECT_EQ(s.debug_level, 3);
  EXPECT_EQ(s.url, "qem://h/x");
  EXPECT_EQ(s.x, -20);
  EXPECT_EQ(s.y, 40);
  EXPECT_EQ(s.zoom, 2);
  EXPECT_EQ(s.player_id, "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_EQ(s.name, "Ann");
  EXPECT_EQ(s.company, "Co");
  EXPECT_EQ(s.email, "ann@halvo.example");
  EXPECT_EQ(s.directory, "D:\\players\\qem");
  EXPECT_EQ(s.lastmsg, "line1~line2");
  EXPECT_EQ(s.lasthdr, "Title");
}

TEST(Settings, UserDetailsAndTempTextsAreCut) {
  const std::string long_text(300, 'n');
  QemSettings s = load_settings_text("[User Details]\nName=" + long_text + "\nCompany=" +
                                     long_text + "\nEMail=" + long_text + "\n[temp]\nlastmsg=" +
                                     long_text + "\nlasthdr=" + long_text + "\n");
  EXPECT_EQ(s.name.size(), 255u);
  EXPECT_EQ(s.company.size(), 255u);
  EXPECT_EQ(s.email.size(), 255u);
  EXPECT_EQ(s.lastmsg.size(), 256u);
  EXPECT_EQ(s.lasthdr.size(), 256u);
}

TEST(Settings, PresentButEmptyUserDetailIsEmpty) {
  // As the system reads it: only a missing key gets the default.
  QemSettings s = load_settings_text("[User Details]\nName=\n");
  EXPECT_EQ(s.name, "");
  EXPECT_EQ(s.company, "Company unknown");
}

TEST(ProfileInt, ReadsLikeTheSystem) {
  struct Case {
    const char* value;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"7500", 7500},
      {"-5", -5},
      {"+5", 5},
      {"12kbit", 12},
      {"abc", 0},
      {"-", 0},
      {"99999999999999999999", INT_MAX},
      {"-99999999999999999999", INT_MIN},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(profile_int(c.value), c.expected) << '"' << c.value << '"';

  MemoryProfileStore store("[Settings]\nBufferSize=\nBandWidth=x\n");
  EXPECT_EQ(get_profile_int(store, "Settings", "BufferSize", 7500), 7500) << "empty: default";
  EXPECT_EQ(get_profile_int(store, "Settings", "BandWidth", 12), 0) << "no digits: 0";
  EXPECT_EQ(get_profile_int(store, "Settings", "Zoom", 4), 4) << "missing: default";
}

TEST(ProtocolBuffer, AtLeast7500) {
  struct Case {
    int buffer_size;
    int expected;
  };
  const Case cases[] = {{INT_MIN, 7500}, {-1, 7500}, {0, 7500},   {7500, 7500},
                        {7501, 7501},    {9000, 9000}, {INT_MAX, INT_MAX}};
  for (const Case& c : cases)
    EXPECT_EQ(protocol_buffer_ms(c.buffer_size), c.expected) << "BufferSize " << c.buffer_size;
}

TEST(MemoryProfileStore, WrittenValuesOverrideTextAndIgnoreCase) {
  MemoryProfileStore store("[Settings]\nBandWidth=28\n");
  EXPECT_EQ(store.get("settings", "bandwidth"), "28");
  EXPECT_TRUE(put_profile_int(store, "SETTINGS", "BANDWIDTH", -3));
  EXPECT_EQ(store.get("Settings", "BandWidth"), "-3");
  EXPECT_TRUE(store.put("User details", "Name", "Bo"));
  EXPECT_EQ(load_settings(store).name, "Bo") << "\"User details\" is \"User Details\"";
  EXPECT_EQ(store.get("Settings", "Zoom"), std::nullopt);
}

}  // namespace
}  // namespace qem
