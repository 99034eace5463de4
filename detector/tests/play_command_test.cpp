#include "detector/play_command.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"
#include "detector/keys.h"

namespace detector {
namespace {

TEST(PlayCommand, Formatting) {
  const std::string long_prefix(kMaxCommandLine - 2, 'x');
  struct Case {
    const char* name;
    std::string command;
    char letter;
    std::optional<std::string> expected;
  } cases[] = {
      {"drive replaces %1", "C:\\P\\player.exe /play %1", 'D', "C:\\P\\player.exe /play D:"},
      {"command ends after the drive", "C:\\P\\player.exe %1 /minimized", 'E', "C:\\P\\player.exe E:"},
      {"only the first % counts", "p.exe %1 %2", 'F', "p.exe F:"},
      {"no % runs unchanged", "C:\\Halvo\\panel.exe /play /cda", 'D', "C:\\Halvo\\panel.exe /play /cda"},
      {"% at the end", "p.exe %", 'G', "p.exe G:"},
      {"% alone", "%", 'D', "D:"},
      {"longest allowed", long_prefix + "%1", 'D', long_prefix + "D:"},
      {"one too long", long_prefix + "x%1", 'D', std::nullopt},
      {"too long without %", std::string(kMaxCommandLine + 1, 'y'), 'D', std::nullopt},
      {"no drive letter", "p.exe %1", '\0', std::nullopt},
      {"no drive letter needed without %", "p.exe", '\0', "p.exe"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(format_play_command(c.command, c.letter), c.expected) << c.name;
}

TEST(PlayCommand, DriveLetter) {
  EXPECT_EQ(drive_letter(0), 'A');
  EXPECT_EQ(drive_letter(3), 'D');
  EXPECT_EQ(drive_letter(25), 'Z');
  EXPECT_EQ(drive_letter(26), '\0');
  EXPECT_EQ(drive_letter(0xFFFF), '\0');
}

TEST(PlayCommand, KindOfDiscAndMenuCommand) {
  struct Case {
    uint32_t value;
    std::optional<int> disc, menu;
  } cases[] = {
      {0, std::nullopt, std::nullopt},   {4, kAudioCd, std::nullopt},     {5, kMixedModeCd, std::nullopt},
      {8, kCdi, std::nullopt},           {9, kVideoCd, std::nullopt},     {12, kQmcd, std::nullopt},
      {1, std::nullopt, std::nullopt},   {13, std::nullopt, std::nullopt}, {40009, std::nullopt, kAudioCd},
      {40014, std::nullopt, kMixedModeCd}, {40015, std::nullopt, kVideoCd}, {40016, std::nullopt, kQmcd},
      {40018, std::nullopt, kCdi},       {40017, std::nullopt, std::nullopt}, {40003, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    if (c.value <= 0xFFFF) {
      EXPECT_EQ(kind_of_disc(static_cast<uint16_t>(c.value)), c.disc) << c.value;
    }
    EXPECT_EQ(kind_of_menu_command(c.value), c.menu) << c.value;
  }
}

TEST(PlayCommand, KeysOfKinds) {
  EXPECT_EQ(play_command_key(kVideoCd), "VideoCD\\shell\\play\\command");
  EXPECT_EQ(kind_key(kMixedModeCd), std::string(kDetectorKey) + "\\MixedModeCD");
  EXPECT_STREQ(kind_name(kCdi), "CDI");
  EXPECT_STREQ(kind_name(kKindCount), "");
}

TEST(PlayCommand, FromClassesRoot) {
  halvo::MemoryRegistry classes;
  ASSERT_TRUE(classes.create_key("QMCD\\shell\\play\\command"));
  ASSERT_TRUE(classes.write_string("QMCD\\shell\\play\\command", "", "C:\\P\\q.exe %1"));
  ASSERT_TRUE(classes.create_key("CDI\\shell\\play\\command"));  // key without its value

  EXPECT_EQ(play_command(classes, kQmcd, 'D'), "C:\\P\\q.exe D:");
  EXPECT_EQ(play_command(classes, kCdi, 'D'), std::nullopt);
  EXPECT_EQ(play_command(classes, kAudioCd, 'D'), std::nullopt);
  EXPECT_EQ(play_command(classes, -1, 'D'), std::nullopt);
  EXPECT_EQ(play_command(classes, kKindCount, 'D'), std::nullopt);
}

TEST(PlayCommand, MixedModeChoice) {
  struct Case {
    const char* name;
    std::optional<std::vector<uint8_t>> bytes;
    std::optional<MixedModeChoice> expected;
  } cases[] = {
      {"missing", std::nullopt, std::nullopt},
      {"install", std::vector<uint8_t>{0}, MixedModeChoice::install},
      {"play", std::vector<uint8_t>{1}, MixedModeChoice::play},
      {"ask", std::vector<uint8_t>{2}, MixedModeChoice::ask},
      {"out of range", std::vector<uint8_t>{3}, std::nullopt},
      {"empty", std::vector<uint8_t>{}, std::nullopt},
      {"two bytes", std::vector<uint8_t>{1, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    halvo::MemoryRegistry user;
    ASSERT_TRUE(user.create_key(kDetectorKey));
    if (c.bytes) {
      ASSERT_TRUE(user.write_binary(kDetectorKey, kMixedModeValue, *c.bytes));
    }
    EXPECT_EQ(mixed_mode_choice(user), c.expected) << c.name;
  }
  halvo::MemoryRegistry user;
  ASSERT_TRUE(user.create_key(kDetectorKey));
  ASSERT_TRUE(user.write_dword(kDetectorKey, kMixedModeValue, 1));
  EXPECT_EQ(mixed_mode_choice(user), std::nullopt) << "a DWORD is not the value";
}

TEST(PlayCommand, InstallerFallback) {
  struct Case {
    std::optional<std::string> autorun;
    bool install, setup;
    std::optional<std::string> expected;
  } cases[] = {
      {"E:\\setup.exe /s", true, true, "E:\\setup.exe /s"},
      {std::nullopt, true, true, "E:\\install.exe"},
      {std::nullopt, true, false, "E:\\install.exe"},
      {std::nullopt, false, true, "E:\\setup.exe"},
      {std::nullopt, false, false, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(installer_command(c.autorun, c.install, c.setup, 'E'), c.expected)
        << c.autorun.value_or("-") << " " << c.install << c.setup;
}

TEST(PlayCommand, WebFrontEnd) {
  halvo::MemoryRegistry user;
  EXPECT_EQ(web_front_end_command(user), std::nullopt);
  ASSERT_TRUE(user.create_key(kSuiteKey));
  EXPECT_EQ(web_front_end_command(user), std::nullopt);
  ASSERT_TRUE(user.write_string(kSuiteKey, kAppPathValue, "C:\\Halvo"));
  EXPECT_EQ(web_front_end_command(user), "C:\\Halvo\\surfdeck.exe");
  ASSERT_TRUE(user.write_string(kSuiteKey, kAppPathValue, std::string(kMaxCommandLine, 'x')));
  EXPECT_EQ(web_front_end_command(user), std::nullopt) << "too long";
}

}  // namespace
}  // namespace detector
