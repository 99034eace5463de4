// detector.exe: loads the resource library, takes the remote's capture for
// the whole run and sits in the tray.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string.h>

#include "beamhub/win32/beamhub.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/main_window.h"
#include "detector/win32/status_window.h"

// Running copies of the detector: the section is shared by every process
// that runs this program file.
volatile LONG g_copies __attribute__((section(".shr"), shared)) = 0;

namespace detector {

namespace {

MainWindow* g_main = NULL;
StatusWindow* g_status = NULL;
NOTIFYICONDATAA g_tray = {};
bool g_tray_added = false;
bool g_captured = false;
bool g_ended = false;

void add_tray_icon() {
  g_tray.cbSize = sizeof g_tray;
  g_tray.hWnd = g_main->hwnd();
  g_tray.uID = kTrayIconId;
  g_tray.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  g_tray.uCallbackMessage = kTrayMessage;
  g_tray.hIcon = g_app.icon;
  std::string tip = resource_string(IDS_TRAY_TIP);
  lstrcpynA(g_tray.szTip, tip.c_str(), sizeof g_tray.szTip);
  // Without a taskbar (no shell running) the detector works without its icon.
  g_tray_added = Shell_NotifyIconA(NIM_ADD, &g_tray) != FALSE;
}

void delete_tray_icon() {
  if (g_tray_added) Shell_NotifyIconA(NIM_DELETE, &g_tray);
  g_tray_added = false;
}

bool register_window_class() {
  WNDCLASSEXA window_class = {};
  // Double clicks too: the launcher starts an entry on one.
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  window_class.hInstance = g_app.instance;
  window_class.hIcon = g_app.icon;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kDetectorClass;
  return halvo::Window::register_class(window_class);
}

}  // namespace

void end_detector() {
  if (g_ended) return;
  g_ended = true;
  if (g_status) g_status->save_position();
  delete_tray_icon();
  if (g_captured) mmcdReleaseCapture(g_app.remote);
  g_captured = false;
  // Nothing may paint from the library once it is gone.
  if (g_main) g_main->free_background();
  if (g_app.resources) FreeLibrary(g_app.resources);
  g_app.resources = NULL;
}

}  // namespace detector

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace detector;
  g_app.instance = instance;
  g_app.resources = LoadLibraryA("detres.dll");
  // Every text is in the library: without it there is nothing to say.
  if (!g_app.resources) return 1;

  bool second_copy = InterlockedIncrement(&g_copies) > 1;
  if (second_copy) {
    resource_box(NULL, IDS_ALREADY_RUNNING, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONWARNING);
    InterlockedDecrement(&g_copies);
    FreeLibrary(g_app.resources);
    return 0;
  }

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  g_app.icon = LoadIconA(g_app.resources, MAKEINTRESOURCEA(IDI_DETECTOR));

  MainWindow main_window;
  StatusWindow status_window;
  g_main = &main_window;
  g_status = &status_window;
  int exit_code = 1;
  if (register_window_class() && main_window.open(&status_window) && status_window.open(main_window.hwnd())) {
    g_app.main_window = main_window.hwnd();
    main_window.load_background();
    add_tray_icon();
    WORD message = 0;
    DWORD handle = 0;
    if (mmcdSetCapture(main_window.hwnd(), &message, &handle) != MMCD_OK) {
      resource_box(NULL, IDS_NO_RECEIVER, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONSTOP);
      delete_tray_icon();
      g_ended = true;  // the position is not stored: the window was never used
    } else {
      g_app.remote = handle;
      g_captured = true;
      main_window.set_remote_message(message);
      MSG msg;
      while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      exit_code = 0;
    }
  }
  end_detector();
  status_window.destroy();
  main_window.destroy();
  g_main = NULL;
  g_status = NULL;
  if (g_app.resources) FreeLibrary(g_app.resources);
  g_app.resources = NULL;
  InterlockedDecrement(&g_copies);
  return exit_code;
}
