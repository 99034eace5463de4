#include "panel/window_settings.h"

#include <optional>

namespace panel {
namespace {

int32_t dword_or(halvo::Registry& registry, const char* name, int32_t fallback) {
  const std::optional<uint32_t> v = registry.read_dword(kSettingsKey, name);
  return v ? static_cast<int32_t>(*v) : fallback;
}

}  // namespace

WindowSettings read_settings(halvo::Registry& registry, Size desktop) {
  WindowSettings s;
  if (!registry.create_key(kSettingsKey)) {
    s.video = Rect{100, 100, 200, 200};
    return s;
  }

  const std::optional<std::vector<uint8_t>> continuous = registry.read_binary(kSettingsKey, "ContinuousPlay");
  s.continuous_play = continuous && !continuous->empty() ? (*continuous)[0] != 0 : true;
  s.video.top = dword_or(registry, "VideoY", 0);
  s.video.left = dword_or(registry, "VideoX", 0);
  s.video.right = dword_or(registry, "VideoW", 200);
  s.video.bottom = dword_or(registry, "VideoH", 200);
  s.panel_y = dword_or(registry, "PanelY", 0);
  s.panel_x = dword_or(registry, "PanelX", 0);

  if (s.video.left > desktop.width) s.video.left = 50;
  if (s.video.top > desktop.height) s.video.top = 50;
  if (s.video.right <= 0) s.video.right = 200;
  if (s.video.bottom <= 0) s.video.bottom = 200;
  if (s.panel_x > desktop.width) s.panel_x = 0;
  if (s.panel_y > desktop.height) s.panel_y = 0;
  return s;
}

void write_settings(halvo::Registry& registry, const WindowSettings& s) {
  if (!registry.key_exists(kSettingsKey)) return;
  registry.write_binary(kSettingsKey, "ContinuousPlay", {static_cast<uint8_t>(s.continuous_play ? 1 : 0)});
  registry.write_dword(kSettingsKey, "VideoX", static_cast<uint32_t>(s.video.left));
  registry.write_dword(kSettingsKey, "VideoY", static_cast<uint32_t>(s.video.top));
  registry.write_dword(kSettingsKey, "VideoW", static_cast<uint32_t>(s.video.right));
  registry.write_dword(kSettingsKey, "VideoH", static_cast<uint32_t>(s.video.bottom));
  registry.write_dword(kSettingsKey, "PanelX", static_cast<uint32_t>(s.panel_x));
  registry.write_dword(kSettingsKey, "PanelY", static_cast<uint32_t>(s.panel_y));
}

}  // namespace panel
