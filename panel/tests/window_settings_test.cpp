#include "panel/window_settings.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"

namespace panel {
namespace {

constexpr Size kDesktop{1024, 768};

void expect_settings(const WindowSettings& s, bool continuous, Rect video, int32_t x, int32_t y, const char* name) {
  EXPECT_EQ(s.continuous_play, continuous) << name;
  EXPECT_EQ(s.video.left, video.left) << name;
  EXPECT_EQ(s.video.top, video.top) << name;
  EXPECT_EQ(s.video.right, video.right) << name;
  EXPECT_EQ(s.video.bottom, video.bottom) << name;
  EXPECT_EQ(s.panel_x, x) << name;
  EXPECT_EQ(s.panel_y, y) << name;
}

TEST(WindowSettings, AFreshUserGetsTheDefaultsAndTheKey) {
  halvo::MemoryRegistry registry;
  expect_settings(read_settings(registry, kDesktop), true, {0, 0, 200, 200}, 0, 0, "fresh");
  EXPECT_TRUE(registry.key_exists(kSettingsKey));
}

TEST(WindowSettings, KeyThatCannotBeCreatedGivesTheFallback) {
  halvo::MemoryRegistry registry;
  registry.refuse_writes(kSettingsKey);
  expect_settings(read_settings(registry, kDesktop), true, {100, 100, 200, 200}, 0, 0, "fallback");
}

TEST(WindowSettings, ValuesAndTheirChecks) {
  struct Case {
    const char* name;
    const char* value;
    uint32_t dword;           // for the REG_DWORD values
    std::vector<uint8_t> bytes;  // for ContinuousPlay
    bool continuous;
    Rect video;
    int32_t x, y;
  } cases[] = {
      {"ContinuousPlay 0", "ContinuousPlay", 0, {0}, false, {0, 0, 200, 200}, 0, 0},
      {"ContinuousPlay 1", "ContinuousPlay", 0, {1}, true, {0, 0, 200, 200}, 0, 0},
      {"ContinuousPlay 2 counts as on", "ContinuousPlay", 0, {2}, true, {0, 0, 200, 200}, 0, 0},
      {"ContinuousPlay with its top bit", "ContinuousPlay", 0, {0x80}, true, {0, 0, 200, 200}, 0, 0},
      {"ContinuousPlay empty", "ContinuousPlay", 0, {}, true, {0, 0, 200, 200}, 0, 0},
      {"VideoX on the desktop", "VideoX", 1024, {}, true, {1024, 0, 200, 200}, 0, 0},
      {"VideoX beyond the desktop", "VideoX", 5000, {}, true, {50, 0, 200, 200}, 0, 0},
      {"VideoY beyond the desktop", "VideoY", 769, {}, true, {0, 50, 200, 200}, 0, 0},
      {"VideoW", "VideoW", 640, {}, true, {0, 0, 640, 200}, 0, 0},
      {"VideoW zero", "VideoW", 0, {}, true, {0, 0, 200, 200}, 0, 0},
      {"VideoH negative", "VideoH", 0xFFFFFFF6u, {}, true, {0, 0, 200, 200}, 0, 0},
      {"PanelX", "PanelX", 300, {}, true, {0, 0, 200, 200}, 300, 0},
      {"PanelX beyond the desktop", "PanelX", 1025, {}, true, {0, 0, 200, 200}, 0, 0},
      {"PanelY beyond the desktop", "PanelY", 4000, {}, true, {0, 0, 200, 200}, 0, 0},
      {"PanelY", "PanelY", 700, {}, true, {0, 0, 200, 200}, 0, 700},
  };
  for (const Case& c : cases) {
    halvo::MemoryRegistry registry;
    ASSERT_TRUE(registry.create_key(kSettingsKey));
    if (std::string(c.value) == "ContinuousPlay")
      registry.write_binary(kSettingsKey, c.value, c.bytes);
    else
      registry.write_dword(kSettingsKey, c.value, c.dword);
    expect_settings(read_settings(registry, kDesktop), c.continuous, c.video, c.x, c.y, c.name);
  }
}

TEST(WindowSettings, AValueOfAnotherTypeTakesItsDefault) {
  halvo::MemoryRegistry registry;
  ASSERT_TRUE(registry.create_key(kSettingsKey));
  registry.write_string(kSettingsKey, "VideoW", "640");
  registry.write_dword(kSettingsKey, "ContinuousPlay", 0);
  expect_settings(read_settings(registry, kDesktop), true, {0, 0, 200, 200}, 0, 0, "wrong types");
}

TEST(WindowSettings, WrittenValuesReadBack) {
  halvo::MemoryRegistry registry;
  ASSERT_TRUE(registry.create_key(kSettingsKey));
  WindowSettings s;
  s.continuous_play = false;
  s.video = Rect{30, 40, 350, 280};
  s.panel_x = 120;
  s.panel_y = 700;
  write_settings(registry, s);
  EXPECT_EQ(registry.read_binary(kSettingsKey, "ContinuousPlay"), std::vector<uint8_t>{0});
  EXPECT_EQ(registry.read_dword(kSettingsKey, "VideoW"), 350u) << "an edge, not a width";
  expect_settings(read_settings(registry, kDesktop), false, {30, 40, 350, 280}, 120, 700, "round trip");
}

TEST(WindowSettings, NothingIsWrittenWithoutTheKey) {
  halvo::MemoryRegistry registry;
  write_settings(registry, WindowSettings{});
  EXPECT_FALSE(registry.key_exists(kSettingsKey));
}

}  // namespace
}  // namespace panel
