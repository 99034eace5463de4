// A stand-in for the programs the detector starts: it adds a line
// "<pid> <command line>" to the file named by HALVO_RECORD_LOG, shows a
// window titled with its program file's name and stays up until closed.
// Tests copy it under the names of the programs they expect.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static LRESULT CALLBACK recorder_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  char log[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("HALVO_RECORD_LOG", log, sizeof log);
  if (length > 0 && length < sizeof log) {
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
      char pid[16];
      snprintf(pid, sizeof pid, "%lu ", static_cast<unsigned long>(GetCurrentProcessId()));
      const char* line = GetCommandLineA();
      DWORD written;
      WriteFile(file, pid, static_cast<DWORD>(strlen(pid)), &written, NULL);
      WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, NULL);
      WriteFile(file, "\n", 1, &written, NULL);
      CloseHandle(file);
    }
  }

  char path[MAX_PATH];
  GetModuleFileNameA(NULL, path, sizeof path);
  const char* name = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = recorder_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = "HalvoRecorderClass";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, window_class.lpszClassName, name, WS_OVERLAPPEDWINDOW, 50, 50, 240, 120,
                                NULL, NULL, instance, NULL);
  ShowWindow(window, show);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
