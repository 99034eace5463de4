// The detector's hidden main window: the remote's capture window, the tray
// icon's window and its menu's commands; it doubles as the launcher.
#pragma once

#include <windows.h>

#include "beamhub/mmcd.h"
#include "detector/win32/launcher_window.h"

namespace detector {

class StatusWindow;

// The class of the main and status windows.
extern const char kDetectorClass[];

// The tray icon's id and callback message.
constexpr UINT kTrayIconId = 101;
constexpr UINT kTrayMessage = WM_USER;

// Gives back everything the start took, once: main.cpp.
void end_detector();

class MainWindow : public LauncherWindow {
 public:
  bool open(StatusWindow* status);
  // The message id mmcdSetCapture gave.
  void set_remote_message(UINT message) { remote_message_ = message; }

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  LRESULT on_remote(WPARAM code, LPARAM status);
  void on_tray(LPARAM mouse_message);
  void on_command(UINT id);
  void open_settings();

  StatusWindow* status_ = NULL;
  UINT remote_message_ = 0;
};

}  // namespace detector
