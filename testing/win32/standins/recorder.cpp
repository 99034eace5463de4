// Stands in for a program a test expects to be started (a player, the web
// front end): logs how it was started and each time it is brought forward,
// and stays up until it is closed. See testing/win32/driver.h.
#include <windows.h>

#include <string>

#include "testing/win32/standins/standin_log.h"

namespace {

const char kClassName[] = "HalvoRecorder";

LRESULT CALLBACK recorder_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) standin::log_line("activated");
      break;
    case WM_SETFOCUS:
      standin::log_line("focused");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// "C:\t\player.exe" -> "player".
std::string base_name(const std::string& path) {
  std::string name = path.substr(path.find_last_of('\\') + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  standin::log_line(std::string("started ") + GetCommandLineA());

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = recorder_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClassName;
  if (!RegisterClassA(&window_class)) return 1;
  HWND window = CreateWindowA(kClassName, base_name(standin::own_path()).c_str(),
                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320, 160, NULL,
                              NULL, instance, NULL);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
