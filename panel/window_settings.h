// The panel's window settings under the current user's
// "Software\Quorvane Tech\Quorvane Halvo Suite\1.0\Mcu\Setting".
#pragma once

#include <cstdint>

#include "common/registry.h"
#include "panel/panel_shell.h"

namespace panel {

inline constexpr const char* kSettingsKey = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Mcu\\Setting";

struct WindowSettings {
  bool continuous_play = true;
  // Normal position of the video window: left, top, right, bottom edges.
  Rect video{0, 0, 200, 200};
  int32_t panel_x = 0;
  int32_t panel_y = 0;
};

// Missing values take their defaults; positions off the desktop's client
// area are pulled back. A key that can be neither opened nor created gives
// the fallback settings.
WindowSettings read_settings(halvo::Registry& registry, Size desktop);

// Nothing is written when the key cannot be opened.
void write_settings(halvo::Registry& registry, const WindowSettings& settings);

}  // namespace panel
