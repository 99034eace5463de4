#include "detector/capture_handler.h"

#include "beamhub/codes.h"
#include "detector/launcher.h"

namespace detector {

using namespace beamhub;

Reaction react(uint32_t code, const CaptureState& state) {
  Reaction r;
  const bool shown = state.launcher_shown;
  const int entries = state.entry_count < 0 ? 0 : state.entry_count > kMaxLaunchEntries ? kMaxLaunchEntries
                                                                                         : state.entry_count;
  bool shown_after = shown;

  if (code >= kMenu && code <= kLastButton && code != kShiftLock && code != kMouseLock) r.show_name = true;

  switch (code) {
    case kMenu:
      if (state.launcher_available && !state.settings_open && !shown) {
        r.show_launcher = true;
        shown_after = true;
      }
      break;
    case kWeb:
      // While the launcher shows, no program sees a button, Web included.
      if (!shown) r.offer_web = true;
      break;
    case kButton0:
    case kCancel:
      if (shown) {
        r.hide_launcher = true;
        shown_after = false;
      }
      break;
    case kEnter:
      // The shell hides the launcher once the entry has its command.
      if (shown && state.selected >= 0 && state.selected < entries) r.start_entry = true;
      break;
    case kShiftLock:
      r.set_shift_lock = true;
      break;
    case kMouseLock:
      r.set_mouse_lock = true;
      break;
    case kEvNothing:
      r.clear_name = true;
      break;
    case kEvDiscPresent:
      r.start_player = true;
      break;
    case kEvAutoInsertOff:
      r.restart_warning = true;
      break;
    default:
      if (code >= kButton1 && code <= kButton9 && shown) {
        const int entry = static_cast<int>(code - kButton1);
        if (entry < entries && entry != state.selected) r.select_entry = entry;
      }
      break;
  }

  r.launcher_shown_after = shown_after;
  // The code that hides the launcher is its own too: no program may see it.
  const bool handled = code == kWeb || code == kEvNothing || code == kEvAutoInsertOff || shown || shown_after;
  r.result = handled ? kResultHandled : kResultPassOn;
  return r;
}

bool web_front_end_wanted(uint32_t answer) { return answer == 0 || answer == 2; }

int lock_bitmap(int part, bool on) {
  if (part == 0) return on ? 204 : 203;
  if (part == 1) return on ? 202 : 201;
  return 0;
}

}  // namespace detector
