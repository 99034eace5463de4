#include "beamhub/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "beamhub/tests/hub_fixture.h"

namespace beamhub {
namespace {

using Type = SettingsRegistry::Type;
using testing::FakeRegistry;

std::unique_ptr<Settings> loaded(FakeRegistry& reg, const char* base = "C:\\suite") {
  auto s = std::make_unique<Settings>();
  std::strcpy(s->base_folder, base);
  load_settings(*s, reg);
  return s;
}

TEST(Settings, FreshUserGetsDefaults) {
  FakeRegistry reg;  // the key does not exist yet
  reg.values["MouseInterval"] = {Type::dword, "", 9};  // ignored: the key had to be created
  auto s = loaded(reg);
  EXPECT_EQ(s->mouse_interval, 5u);
  EXPECT_EQ(s->intelligent_voice, 1u);
  EXPECT_STREQ(s->app_path, "C:\\suite");
  EXPECT_STREQ(s->rcb_path, "C:\\suite");
  EXPECT_STREQ(s->wave_path, "C:\\suite\\wave");
  EXPECT_STREQ(s->remote_controller, "C:\\suite\\zk.rcb");
}

TEST(Settings, ValuesOfTheWrongTypeAreIgnored) {
  FakeRegistry reg;
  reg.exists = true;
  reg.values["MouseInterval"] = {Type::string, "8", 0};
  reg.values["IntelligentVoice"] = {Type::other, "", 0};
  reg.values["AppPath"] = {Type::dword, "", 1};
  auto s = loaded(reg);
  EXPECT_EQ(s->mouse_interval, 5u);
  EXPECT_EQ(s->intelligent_voice, 1u);
  EXPECT_STREQ(s->app_path, "C:\\suite");
}

TEST(Settings, StoredValuesAreUsed) {
  FakeRegistry reg;
  reg.exists = true;
  reg.values["AppPath"] = {Type::string, "E:\\halvo", 0};
  reg.values["RcbPath"] = {Type::string, "E:\\halvo\\rcb", 0};
  reg.values["MouseInterval"] = {Type::dword, "", 2};
  reg.values["IntelligentVoice"] = {Type::dword, "", 0};
  reg.values["RemoteController"] = {Type::string, "sub\\tv.map", 0};
  auto s = loaded(reg);
  EXPECT_EQ(s->mouse_interval, 2u);
  EXPECT_EQ(s->intelligent_voice, 0u);
  EXPECT_STREQ(s->wave_path, "E:\\halvo\\wave") << "derived from AppPath";
  EXPECT_STREQ(s->remote_controller, "E:\\halvo\\rcb\\sub\\tv.rcb");
}

TEST(Settings, StepOutsideItsRangeFallsBackToTheDefault) {
  for (uint32_t bad : {0u, 11u, 0xFFFFFFFFu}) {
    FakeRegistry reg;
    reg.exists = true;
    reg.values["MouseInterval"] = {Type::dword, "", bad};
    EXPECT_EQ(loaded(reg)->mouse_interval, 5u) << bad;
  }
}

TEST(Settings, SavedWithTheirTypesAndReadBackTheSame) {
  FakeRegistry reg;
  auto s = loaded(reg, "C:\\x");
  s->mouse_interval = 10;
  s->intelligent_voice = 0;
  ASSERT_TRUE(save_settings(*s, reg));
  EXPECT_EQ(reg.values["MouseInterval"].type, Type::dword);
  EXPECT_EQ(reg.values["IntelligentVoice"].type, Type::dword);
  EXPECT_EQ(reg.values["RemoteController"].type, Type::string);
  EXPECT_EQ(reg.values["RemoteController"].text, "C:\\x\\zk.rcb");
  auto again = loaded(reg, "D:\\elsewhere");
  EXPECT_EQ(again->mouse_interval, 10u);
  EXPECT_EQ(again->intelligent_voice, 0u);
  EXPECT_STREQ(again->app_path, "C:\\x");
  EXPECT_STREQ(again->remote_controller, "C:\\x\\zk.rcb");
}

TEST(Settings, OverlongStoredControllerFallsBackToTheDefaultName) {
  FakeRegistry reg;
  reg.exists = true;
  reg.values["RemoteController"] = {Type::string, std::string(259, 'r'), 0};
  auto s = loaded(reg);
  EXPECT_STREQ(s->remote_controller, "C:\\suite\\zk.rcb");
}

}  // namespace
}  // namespace beamhub
