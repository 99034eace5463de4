// What the detector does with a code that reaches its capture window, and
// what it answers: 1 (handled) or 2 (offer it to the registered programs).
#pragma once

#include <cstdint>

namespace detector {

inline constexpr uint32_t kResultHandled = 1;
inline constexpr uint32_t kResultPassOn = 2;

// The detector's state when the code arrives.
struct CaptureState {
  bool launcher_available = false;  // its bitmap loaded
  bool launcher_shown = false;
  bool settings_open = false;
  int entry_count = 0;              // launcher entries (0-9)
  int selected = 0;                 // selected entry
};

// What the shell has to do, in this order; fields left at their defaults
// ask for nothing.
struct Reaction {
  bool show_name = false;        // the status record's button name into status part 2
  bool clear_name = false;       // empty status part 2
  bool set_shift_lock = false;   // status part 0 from the status record's shift lock
  bool set_mouse_lock = false;   // status part 1 from its mouse lock
  bool show_launcher = false;
  int select_entry = -1;         // select this entry and move the pointer to it
  bool start_entry = false;      // start the selected entry, then hide the launcher (Enter);
                                 // an entry without both values leaves it shown
  bool hide_launcher = false;
  bool offer_web = false;        // mmcdCallNextApp(1026); web_front_end_wanted decides
  bool start_player = false;     // disc change: start the player for the disc
  bool restart_warning = false;  // the system-modal restart question
  bool launcher_shown_after = false;
  uint32_t result = kResultPassOn;
};

// The code table. Digits and Enter act on the launcher only while it is
// shown; while it is shown every code is answered handled.
Reaction react(uint32_t code, const CaptureState& state);

// After offering Web on: whether the web front end must be started. Nobody
// registered (0) and nobody took it (2) both start it.
bool web_front_end_wanted(uint32_t answer);

// The status bar: right edges of parts 0 and 1 (part 2 ends at the edge),
// and the lock bitmaps shown in parts 0 (shift lock) and 1 (mouse lock).
inline constexpr int kStatusPartEdges[2] = {18, 38};
int lock_bitmap(int part, bool on);

}  // namespace detector
