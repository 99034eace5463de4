// The small always-on-top status window: the two lock states and the name
// of the last button, in a status bar.
#pragma once

#include <windows.h>

#include "common/win32/window.h"

namespace detector {

class StatusWindow : public halvo::Window {
 public:
  // Placed where it was left ("StatusX", "StatusY"), shown, on top.
  bool open(HWND owner);
  // Part 2: the button name; at most size characters of name are read.
  void show_name(const char* name, size_t size);
  void clear_name();
  // Part 0 (shift lock) or 1 (mouse lock).
  void set_lock(int part, bool on);
  // "StatusX" and "StatusY" from the window's normal position.
  void save_position();

  HWND bar() const { return bar_; }

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void draw_part(const DRAWITEMSTRUCT& item);

  HWND bar_ = NULL;
};

}  // namespace detector
