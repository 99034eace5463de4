// The Menu launcher: the main window, shown over the desktop's centre with
// the background bitmap and the numbered launch entries.
#pragma once

#include <windows.h>

#include "common/win32/window.h"
#include "detector/launcher.h"

namespace detector {

class LauncherWindow : public halvo::Window {
 public:
  ~LauncherWindow() override;

  // Bitmap 148 and its palette; without it the launcher is not available.
  bool load_background();
  void free_background();
  bool available() const { return bits_ != NULL; }
  bool shown() const { return hwnd() && IsWindowVisible(hwnd()); }

  // The entries as the registry holds them now; the selection is kept
  // while it still names an entry.
  void refresh_entries();
  int entry_count() const { return launcher_.count(); }
  int selected() const { return launcher_.selected(); }

  void show();
  void hide();
  // A digit button: selects the entry and puts the pointer on it.
  void select_entry(int index);
  // Enter: brings the entry's running program forward or starts it.
  void start_selected();

 protected:
  // The launcher's own messages (painting, the pointer); false for others.
  bool handle_launcher(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

 private:
  void paint();
  void reload(HDC dc);
  void measure(HDC dc);
  void place_over_desktop();
  HFONT font(HDC dc);
  void double_click();

  Launcher launcher_;
  const BITMAPINFO* info_ = NULL;  // inside the resource library
  const void* bits_ = NULL;
  int width_ = 0;
  int height_ = 0;
  HPALETTE palette_ = NULL;
  HFONT font_ = NULL;
};

}  // namespace detector
