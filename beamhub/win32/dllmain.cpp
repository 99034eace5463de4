// beamhub.dll: the shared data area, process attach and detach, the poll
// window, and the ten exports.
#include <windows.h>

#include "beamhub/hub.h"
#include "beamhub/win32/beamhub.h"
#include "beamhub/win32/platform.h"

using beamhub::Hub;
using beamhub::Hwnd;
using beamhub::SharedArea;

// One copy on the machine: every process that loads the library maps this
// section at the same address (the image base is fixed).
SharedArea g_area __attribute__((section(".shr"), shared)) = {};

namespace {

const char kPollClass[] = "MmcdPollClass";

HINSTANCE g_instance;
beamhub::win32::Win32Host* g_host;
beamhub::win32::Win32Poll* g_poll_host;
Hub* g_hub;
beamhub::Poller* g_poller;
bool g_owns_poll_window;

LRESULT CALLBACK poll_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == beamhub::win32::kPollTimer) g_poller->tick();
      return 0;
    case MM_MIXM_CONTROL_CHANGE:
      g_poller->mixer_changed(static_cast<uint32_t>(lparam));
      return 0;
    case beamhub::win32::kStopTimerMessage:
      KillTimer(window, beamhub::win32::kPollTimer);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

bool register_poll_class() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = poll_window_proc;
  wc.hInstance = g_instance;
  wc.lpszClassName = kPollClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The first process on the machine: settings, button map, drive, message,
// and the hidden poll window with its 200 ms timer.
bool first_attach() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  UINT message = RegisterWindowMessageA(MMCD_MESSAGE_NAME);
  g_hub->first_attach(folder, static_cast<uint16_t>(message));
  HWND poll = CreateWindowExA(WS_EX_TOOLWINDOW, kPollClass, "Status", WS_POPUP | WS_CAPTION, 0, 0,
                              0, 0, nullptr, nullptr, g_instance, nullptr);
  if (!poll) return false;
  if (!SetTimer(poll, beamhub::win32::kPollTimer, 200, nullptr)) {
    DestroyWindow(poll);
    return false;
  }
  g_area.poll_window = reinterpret_cast<Hwnd>(poll);
  g_owns_poll_window = true;
  g_hub->volume().setup();
  g_poller->first_poll();
  return true;
}

BOOL process_attach(HINSTANCE instance) {
  g_instance = instance;
  DisableThreadLibraryCalls(instance);
  g_host = new beamhub::win32::Win32Host(g_area);
  g_hub = new Hub(g_area, *g_host);
  g_host->win32_aspi().load();
  g_poll_host = new beamhub::win32::Win32Poll();
  g_poller = new beamhub::Poller(g_area, *g_hub, g_host->aspi(), *g_poll_host);
  if (!register_poll_class()) return FALSE;
  beamhub::win32::Win32Discovery discovery;
  // Two processes loading the library at once are counted one after the other.
  beamhub::TableLock lock(*g_host);
  if (g_hub->attach(discovery) && !first_attach()) {
    --g_area.attach_count;
    return FALSE;
  }
  return TRUE;
}

void process_detach(bool unloading) {
  if (!g_hub) return;
  {
    beamhub::TableLock lock(*g_host);
    if (g_hub->detach()) g_hub->volume().shut_down();
  }
  if (g_owns_poll_window) {
    if (unloading) {
      // Unloaded while the process goes on: the window must not outlive its procedure.
      HWND poll = reinterpret_cast<HWND>(g_area.poll_window);
      KillTimer(poll, beamhub::win32::kPollTimer);
      DestroyWindow(poll);
      UnregisterClassA(kPollClass, g_instance);
    }
    // Either way the window goes with this process; others must not address it.
    g_area.poll_window = 0;
  }
  if (unloading) {
    delete g_poller;
    delete g_poll_host;
    delete g_hub;
    delete g_host;
    g_poller = nullptr;
    g_poll_host = nullptr;
    g_hub = nullptr;
    g_host = nullptr;
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return process_attach(instance);
    case DLL_PROCESS_DETACH:
      process_detach(reserved == nullptr);
      return TRUE;
    default:
      return TRUE;
  }
}

extern "C" {

DWORD WINAPI mmcdGetVersion(void) { return g_hub->get_version(); }

DWORD WINAPI mmcdGetLastError(void) { return g_hub->get_last_error(); }

DWORD WINAPI mmcdRegisterApp(HWND window, WORD* message_id, DWORD* handle) {
  static_assert(sizeof(DWORD) == sizeof(uint32_t) && sizeof(WORD) == sizeof(uint16_t), "types");
  return g_hub->register_app(reinterpret_cast<Hwnd>(window), message_id,
                             reinterpret_cast<uint32_t*>(handle));
}

DWORD WINAPI mmcdUnregisterApp(DWORD handle) { return g_hub->unregister_app(handle); }

DWORD WINAPI mmcdSetFirstApp(DWORD handle) { return g_hub->set_first_app(handle); }

DWORD WINAPI mmcdGetCap(DWORD handle, DWORD id, void* p1, void* p2) {
  return g_hub->get_cap(handle, id, p1, p2);
}

DWORD WINAPI mmcdSetCap(DWORD handle, DWORD id, DWORD_PTR p1, DWORD p2) {
  return g_hub->set_cap(handle, id, p1, p2);
}

DWORD WINAPI mmcdSetCapture(HWND window, WORD* message_id, DWORD* handle) {
  return g_hub->set_capture(reinterpret_cast<Hwnd>(window), message_id,
                            reinterpret_cast<uint32_t*>(handle));
}

DWORD WINAPI mmcdReleaseCapture(DWORD handle) { return g_hub->release_capture(handle); }

DWORD WINAPI mmcdCallNextApp(DWORD code, void* param) { return g_hub->call_next_app(code, param); }

}  // extern "C"
