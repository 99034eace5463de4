// qemhost.exe: a small caller of the engine, as an MCI-style host uses it:
// a window of 320 x 240, the engine created on it and drawing into it, and
// the commands of host_protocol.h from a test or the demo.
//
//   qemhost.exe [--own] [--wide] [--swap-parent] [--play] [--trace] [script]
//
// --own keeps the engine's own window (no SetOutPutWindow); --wide gives
// QemCreate the script path as UTF-16; --swap-parent gives the parent handle
// with its 16-bit halves swapped; --play plays at once with a notification.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "qemliv32/win32/host/host_protocol.h"

using namespace qemhost;

namespace {

typedef void*(WINAPI* CreateFn)(HWND, const char*);
typedef void(WINAPI* EngineFn)(void*);
typedef void(WINAPI* OpenFn)(void*, const char*);
typedef void(WINAPI* NotifyFn)(void*, HWND, UINT);
typedef int(WINAPI* QueryFn)(void*);
typedef void(WINAPI* WindowFn)(void*, HWND);
typedef void(WINAPI* RectFn)(void*, int*, int*, int*, int*);
typedef void(WINAPI* FlagFn)(void*, BOOL);

struct Engine {
  CreateFn create;
  OpenFn open, show_msg;
  EngineFn play, stop, destroy, update;
  NotifyFn play_notify, play_mci;
  QueryFn state, pos;
  WindowFn output_window;
  RectFn output_rect;
  FlagFn stretch, zoom;
};

Engine api;
void* engine = nullptr;
std::string script_arg;  // as given to QemCreate (narrow or UTF-16 bytes)
bool trace = false;
int traced_state = -2;
int traced_tenth = -1;  // GetPos1000 / 100 last printed
int notifies = 0;
WPARAM last_notify_wp = 0;
LPARAM last_notify_lp = 0;

template <typename F>
bool take(HMODULE dll, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  if (!fn) std::fprintf(stderr, "qemhost: qemliv32.dll has no %s\n", name);
  return fn != nullptr;
}

bool load_engine() {
  HMODULE dll = LoadLibraryA("qemliv32.dll");
  if (!dll) {
    std::fprintf(stderr, "qemhost: qemliv32.dll not found\n");
    return false;
  }
  return take(dll, "QemCreate", api.create) && take(dll, "Open", api.open) &&
         take(dll, "ShowMsg", api.show_msg) && take(dll, "Play", api.play) &&
         take(dll, "Stop", api.stop) && take(dll, "Destroy", api.destroy) &&
         take(dll, "Update", api.update) && take(dll, "PlayWithNotify", api.play_notify) &&
         take(dll, "PlayWithMCINotify", api.play_mci) && take(dll, "GetCurState", api.state) &&
         take(dll, "GetPos1000", api.pos) && take(dll, "SetOutPutWindow", api.output_window) &&
         take(dll, "GetOutPutRect", api.output_rect) && take(dll, "Stretch", api.stretch) &&
         take(dll, "SetZoom", api.zoom);
}

std::string wide_bytes(const std::string& narrow) {
  std::string out;
  for (char c : narrow) out += std::string(1, c) + std::string(1, '\0');
  return out + std::string(2, '\0');
}

LRESULT on_copy_data(const COPYDATASTRUCT* cd) {
  if (!engine || !cd || !cd->lpData) return 0;
  std::string text(static_cast<const char*>(cd->lpData), cd->cbData);
  text.push_back('\0');
  text.push_back('\0');
  if (cd->dwData == kShowMsg)
    api.show_msg(engine, text.c_str());
  else
    api.open(engine, text.c_str());
  return 1;
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      if (engine) api.update(engine);
      return 0;
    }
    case WM_TIMER:
      // A line when the state changes, and when the position passes a tenth.
      if (engine && (api.state(engine) != traced_state || api.pos(engine) / 100 != traced_tenth)) {
        traced_state = api.state(engine);
        traced_tenth = api.pos(engine) / 100;
        std::printf("state %d pos %d\n", traced_state, api.pos(engine));
        std::fflush(stdout);
      }
      return 0;
    case MM_MCINOTIFY:
      if (trace) {
        std::printf("MM_MCINOTIFY wParam %u lParam %ld\n", unsigned(wp), long(lp));
        std::fflush(stdout);
      }
      ++notifies;
      last_notify_wp = wp;
      last_notify_lp = lp;
      return 0;
    case kPlay:
      if (!engine) return 0;
      if (wp == 0) api.play(engine);
      if (wp == 1) api.play_notify(engine, hwnd, UINT(lp));
      if (wp == 2) api.play_mci(engine, hwnd, UINT(lp));
      return 1;
    case kStop:
      if (engine) api.stop(engine);
      return 1;
    case kState:
      return api.state(engine);
    case kPos:
      return api.pos(engine);
    case kOutputRect: {
      int r[4] = {-1, -1, -1, -1};
      api.output_rect(engine, &r[0], &r[1], &r[2], &r[3]);
      return wp < 4 ? r[wp] : -1;
    }
    case kNotifies:
      return wp == 0 ? notifies : wp == 1 ? LRESULT(last_notify_wp) : last_notify_lp;
    case kCreateAgain: {
      void* second = api.create(hwnd, script_arg.c_str());
      if (second) api.destroy(second);
      return second != nullptr;
    }
    case kDestroy:
      if (engine) api.destroy(engine);
      engine = nullptr;
      return 1;
    case kNullState:
      return api.state(nullptr);
    case kStretch:
      if (engine) api.stretch(engine, BOOL(wp));
      InvalidateRect(hwnd, NULL, TRUE);
      return 1;
    case kZoom:
      if (engine) api.zoom(engine, BOOL(wp));
      InvalidateRect(hwnd, NULL, TRUE);
      return 1;
    case kOutputWindow:
      if (engine) api.output_window(engine, wp ? hwnd : NULL);
      return 1;
    case kEngineWindow: {
      // A child of this window when it was given as the parent.
      HWND own = FindWindowExA(hwnd, NULL, "QEM Window", NULL);
      return LRESULT(own ? own : FindWindowA("QEM Window", NULL));
    }
    case WM_COPYDATA:
      return on_copy_data(reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case WM_CLOSE:
      if (engine) api.destroy(engine);
      engine = nullptr;
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  bool own = false, wide = false, swap = false, play = false;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--own")) own = true;
    else if (!std::strcmp(argv[i], "--wide")) wide = true;
    else if (!std::strcmp(argv[i], "--swap-parent")) swap = true;
    else if (!std::strcmp(argv[i], "--play")) play = true;
    else if (!std::strcmp(argv[i], "--trace")) trace = true;
    else script = argv[i];
  }
  if (!load_engine()) return 2;

  WNDCLASSA wc = {};
  wc.lpfnWndProc = host_proc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kHostClass;
  RegisterClassA(&wc);
  RECT r = {0, 0, kClientWidth, kClientHeight};
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&r, style, FALSE);
  HWND hwnd = CreateWindowA(kHostClass, "Halvo stream host", style, 40, 40, r.right - r.left,
                            r.bottom - r.top, NULL, NULL, wc.hInstance, NULL);
  if (!hwnd) return 3;

  script_arg = wide ? wide_bytes(script) : script;
  HWND parent = hwnd;
  if (swap) {
    uintptr_t v = reinterpret_cast<uintptr_t>(hwnd) & 0xFFFFFFFFu;
    parent = reinterpret_cast<HWND>(((v & 0xFFFF) << 16) | (v >> 16));
  }
  engine = api.create(parent, script.empty() ? nullptr : script_arg.c_str());
  if (!engine) return 4;
  if (!own) api.output_window(engine, hwnd);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  if (trace) SetTimer(hwnd, 1, 100, NULL);
  if (play) api.play_notify(engine, hwnd, 0);

  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
