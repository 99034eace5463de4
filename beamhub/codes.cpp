#include "beamhub/codes.h"

#include <cstddef>
#include <strings.h>

namespace beamhub {
namespace {

const char* const kNames[kButtonCount] = {
    "Menu", "Zoom", "Web", "Mute", "Play", "Stop", "Pause", "Eject",
    "SkipBackwards", "SkipForwards", "PrevTrack", "NextTrack", "VolumeUp", "VolumeDown",
    "Button0", "Button1", "Button2", "Button3", "Button4",
    "Button5", "Button6", "Button7", "Button8", "Button9",
    "Enter", "ShiftLock", "AppMenu", "Cancel", "Reload", "Home", "Print", "PageUp", "PageDown",
    "SaveAs", "Back", "Forward", "ScrollUp", "ScrollDown", "ScrollLeft", "ScrollRight",
    "MouseLock", "MouseLClick", "MouseUp", "MouseRClick", "MouseLeft", "MouseDown", "MouseRight",
    "Select", "Tab",
};

}  // namespace

const char* button_name(uint32_t code) {
  return is_button(code) ? kNames[code - kFirstButton] : nullptr;
}

uint16_t button_code(std::string_view name) {
  for (int i = 0; i < kButtonCount; ++i) {
    std::string_view n(kNames[i]);
    if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0)
      return static_cast<uint16_t>(kFirstButton + i);
  }
  return 0;
}

uint16_t map_by_play_state(uint16_t code, uint16_t play_state) {
  switch (code) {
    case kPlay:
      if (play_state == kPlaying) return kNextTrack;
      if (play_state == kPaused) return kEvResumed;
      return code;
    case kEvPlaying:
      if (play_state == kPlaying) return kEvNextTrack;
      if (play_state == kPaused) return kEvResumed;
      return code;
    case kStop:
    case kEject:
    case kEvStopped:
      if (play_state == kPlaying) return code;
      if (play_state == kTrayOpen) return kEvTrayClosed;
      return kEvTrayOpened;  // paused, stopped, tray closed and the rest
    case kPause:
    case kEvPaused:
      if (play_state == kPaused) return kEvResumed;
      return code;
    default:
      return code;
  }
}

}  // namespace beamhub
