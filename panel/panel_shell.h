// What the panel's core asks of the window side. The Win32 shell implements
// each call with one or two API calls; nothing here decides anything.
#pragma once

#include <cstdint>
#include <string>

#include "panel/mci.h"
#include "panel/mcures_ids.h"
#include "panel/media.h"

namespace panel {

// Screen or window coordinates, as RECT holds them.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
};

enum class ShowState { hidden, normal };  // SW_HIDE, SW_SHOWNORMAL
enum class MessageIcon { warning, question };  // MB_ICONEXCLAMATION, MB_ICONQUESTION
enum class Answer { ok, yes, no };

// One message box.
struct Message {
  uint32_t text_id = 0;     // a string of mcures.dll, used when text is empty
  std::string text;         // a text of its own, such as an MCI error text
  std::string insert;       // replaces "%1" in the loaded text
  uint32_t caption_id = IDS_ERROR_CAPTION;
  MessageIcon icon = MessageIcon::warning;
  bool owned = true;        // false: no owner window (MessageBox(NULL, ...))
  bool yes_no = false;      // MB_YESNO instead of MB_OK
};

class PanelShell {
 public:
  virtual ~PanelShell() = default;

  // LoadStringA from mcures.dll.
  virtual std::string load_string(uint32_t id) = 0;

  // EnableWindow on one of the bitmap buttons (IDC_POWER ... IDC_EJECT).
  virtual void enable_button(int control, bool enabled) = 0;
  // Shows one cell of an indicator (IDC_REPEAT, IDC_DISC_TYPE, IDC_MUTE) and
  // repaints it.
  virtual void show_indicator(int control, int cell) = 0;
  // Repaints the volume bar lit up to level pixels (0 ... its width).
  virtual void draw_volume(int level) = 0;
  // Repaints the LED display; the shell keeps the value for WM_PAINT.
  virtual void draw_time(const TimeDisplay& time) = 0;

  virtual Answer message_box(const Message& message) = 0;
  // MessageBeep(MB_ICONEXCLAMATION).
  virtual void beep_exclamation() = 0;

  // SetTimer on the panel window; false when no timer could be had.
  virtual bool start_timer(int id, uint32_t milliseconds) = 0;
  virtual void kill_timer(int id) = 0;
  // PostMessage(panel, WM_CLOSE).
  virtual void post_close() = 0;

  // SetWindowPlacement with the rectangle as normal position.
  virtual void set_normal_placement(WindowHandle window, const Rect& normal, ShowState show) = 0;
  // GetWindowPlacement's normal position.
  virtual bool normal_placement(WindowHandle window, Rect& normal) = 0;
  // GetWindowRect.
  virtual bool screen_rect(WindowHandle window, Rect& rect) = 0;
  // SetWindowPos with position and size (no Z order change).
  virtual void set_window_pos(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void set_window_text(WindowHandle window, const std::string& text) = 0;
  // The desktop window's client rectangle.
  virtual Size desktop_client_size() = 0;

  // GetForegroundWindow() == panel.
  virtual bool is_foreground() = 0;
  // Brings the panel forward and posts WM_LBUTTONDOWN and WM_LBUTTONUP at
  // client point (5, 1) to the Power button, which opens the pop-up menu.
  virtual void open_app_menu() = 0;
};

}  // namespace panel
