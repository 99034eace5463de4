#include "detector/win32/main_window.h"

#include "beamhub/codes.h"
#include "beamhub/win32/beamhub.h"
#include "detector/capture_handler.h"
#include "detector/play_command.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/disc_change.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/settings/settings_sheet.h"
#include "detector/win32/status_window.h"

namespace detector {

const char kDetectorClass[] = "MmcdDetectorClass";

namespace {

// Work that shows a box or a dialog is done after the code's message has
// been answered, so the remote's poll never waits on the user.
constexpr UINT kDiscChanged = WM_APP + 1;  // wParam: disc type, lParam: drive
constexpr UINT kRestartAsked = WM_APP + 2;

}  // namespace

bool MainWindow::open(StatusWindow* status) {
  status_ = status;
  return create(0, kDetectorClass, "Mmcd Detector", WS_POPUP, 100, 100, CW_USEDEFAULT, CW_USEDEFAULT, NULL,
                NULL, g_app.instance) != NULL;
}

LRESULT MainWindow::on_remote(WPARAM wparam, LPARAM lparam) {
  const uint32_t code = static_cast<uint32_t>(wparam);
  const MMCD_STATUS* status = reinterpret_cast<const MMCD_STATUS*>(lparam);

  CaptureState state;
  state.launcher_available = available();
  state.launcher_shown = shown();
  state.settings_open = settings_sheet_open();
  if (state.launcher_shown) refresh_entries();
  state.entry_count = entry_count();
  state.selected = selected();
  const Reaction r = react(code, state);

  // Codes other than the buttons and the drive's events carry no status record.
  if (status_ && status) {
    if (r.show_name) status_->show_name(status->name, sizeof status->name);
    if (r.set_shift_lock) status_->set_lock(0, status->shift_lock != 0);
    if (r.set_mouse_lock) status_->set_lock(1, status->mouse_lock != 0);
  }
  if (r.clear_name && status_) status_->clear_name();
  if (r.show_launcher) show();
  if (r.select_entry >= 0) select_entry(r.select_entry);
  if (r.start_entry) start_selected();
  if (r.hide_launcher) hide();
  if (r.offer_web && web_front_end_wanted(mmcdCallNextApp(beamhub::kWeb, reinterpret_cast<void*>(lparam))))
    start_web_front_end(hwnd());
  if (r.start_player && status) PostMessageA(hwnd(), kDiscChanged, status->disc_type, status->drive);
  if (r.restart_warning) PostMessageA(hwnd(), kRestartAsked, 0, 0);
  return r.result;
}

void MainWindow::open_settings() {
  if (shown() || settings_sheet_open()) return;
  run_settings_sheet(hwnd(), 0);
}

void MainWindow::on_tray(LPARAM mouse_message) {
  switch (mouse_message) {
    case WM_RBUTTONDOWN: {
      HMENU menu = LoadMenuA(g_app.resources, MAKEINTRESOURCEA(IDM_TRAY));
      if (!menu) return;
      POINT at;
      GetCursorPos(&at);
      // Foreground first, and a message after, or the menu does not close
      // when the user clicks elsewhere.
      SetForegroundWindow(hwnd());
      TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), NULL);
      PostMessageA(hwnd(), WM_USER, 0, 0);
      DestroyMenu(menu);
      break;
    }
    case WM_LBUTTONDBLCLK:
      open_settings();
      break;
  }
}

void MainWindow::on_command(UINT id) {
  if (std::optional<int> kind = kind_of_menu_command(id)) {
    char current[3] = {};
    char letters[32] = {};
    if (mmcdGetCap(g_app.remote, MMCD_CAP_DRIVE, current, letters) != MMCD_OK || !current[0]) return;
    play_as(hwnd(), *kind, current[0]);
    return;
  }
  switch (id) {
    case IDM_QUIT:
      PostQuitMessage(0);
      break;
    case IDM_SETTINGS:
      open_settings();
      break;
    case IDM_HELP:
      show_help(hwnd(), HELP_FINDER, 0);
      break;
  }
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (remote_message_ && message == remote_message_) return on_remote(wparam, lparam);
  switch (message) {
    case kTrayMessage:
      if (wparam == kTrayIconId) on_tray(lparam);
      return 0;
    case WM_COMMAND:
      on_command(LOWORD(wparam));
      return 0;
    case kDiscChanged:
      start_for_disc(hwnd(), static_cast<uint16_t>(wparam), static_cast<uint16_t>(lparam));
      return 0;
    case kRestartAsked:
      if (resource_box(NULL, IDS_RESTART, IDS_DETECTOR_CAPTION, MB_OKCANCEL | MB_ICONWARNING | MB_SYSTEMMODAL) ==
          IDOK)
        ExitWindowsEx(EWX_REBOOT, 0);
      return 0;
    case WM_QUERYENDSESSION:
      end_detector();
      PostQuitMessage(0);
      return TRUE;
    case WM_CLOSE:
      // Only the quit command ends the detector.
      return 0;
  }
  LRESULT result;
  if (handle_launcher(message, wparam, lparam, result)) return result;
  return default_handle(message, wparam, lparam);
}

}  // namespace detector
