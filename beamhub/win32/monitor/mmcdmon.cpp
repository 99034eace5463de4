// mmcdmon: prints every code the remote-control library delivers, with the
// button name and the status record, as a window of a registered program
// (or of the capture holder with --capture) receives it.
//
//   mmcdmon [--capture] [--pass] [--seconds N]
//     --pass      answer 2, so that unclaimed codes get their default action
//     --seconds   leave after N seconds (default: run until Ctrl+C)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "beamhub/codes.h"
#include "beamhub/win32/beamhub.h"

namespace {

UINT g_message;
LRESULT g_answer = 1;
DWORD g_last_tick;

const char* event_name(unsigned code) {
  switch (code) {
    case 1073: return "rewinding";
    case 1074: return "forwarding";
    case 1075: return "previous track";
    case 1076: return "next track";
    case 1077: return "drive volume up";
    case 1078: return "drive volume down";
    case 1079: return "playing";
    case 1080: return "paused";
    case 1081: return "resumed";
    case 1082: return "stopped";
    case 1083: return "tray closed";
    case 1084: return "tray opened";
    case 1085: return "idle";
    case 1086: return "unknown code";
    case 1087: return "special mode";
    case 1090: return "disc present";
    case 1091: return "command";
    case 1092: return "auto insert off";
    case 1093: return "announce track";
    default: return "";
  }
}

void print_code(unsigned code, const MMCD_STATUS* st) {
  DWORD now = GetTickCount();
  const char* name = beamhub::button_name(code);
  std::printf("%6lu ms  %4u %-14s", static_cast<unsigned long>(now - g_last_tick), code,
              name ? name : event_name(code));
  g_last_tick = now;
  if (code != 1091 && st) {
    std::printf(" name=%-13s value=%02x raw=%02x%02x%02x%02x%02x%02x disc=%u play=%u drive=%c:"
                " mute=%u shift=%u mouse=%u special=%u voice=%u",
                st->name, st->value, st->raw_code[0], st->raw_code[1], st->raw_code[2],
                st->raw_code[3], st->raw_code[4], st->raw_code[5], st->disc_type, st->play_state,
                'A' + st->drive, st->mute, st->shift_lock, st->mouse_lock, st->special_mode,
                st->voice);
  }
  std::printf("\n");
  std::fflush(stdout);
}

LRESULT CALLBACK monitor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == g_message && g_message != 0) {
    print_code(static_cast<unsigned>(wparam), reinterpret_cast<const MMCD_STATUS*>(lparam));
    return g_answer;
  }
  if (message == WM_TIMER || message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

template <typename F>
F lookup(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

int main(int argc, char** argv) {
  bool capture = false;
  int seconds = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--capture") == 0) {
      capture = true;
    } else if (std::strcmp(argv[i], "--pass") == 0) {
      g_answer = 2;
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: mmcdmon [--capture] [--pass] [--seconds N]\n");
      return 2;
    }
  }
  HMODULE library = LoadLibraryA("beamhub.dll");
  if (!library) {
    std::fprintf(stderr, "mmcdmon: beamhub.dll could not be loaded\n");
    return 1;
  }
  auto take = lookup<decltype(&mmcdRegisterApp)>(library, capture ? "mmcdSetCapture" : "mmcdRegisterApp");
  auto leave = lookup<decltype(&mmcdUnregisterApp)>(library, capture ? "mmcdReleaseCapture" : "mmcdUnregisterApp");

  WNDCLASSA wc = {};
  wc.lpfnWndProc = monitor_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MmcdMonitor";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "mmcdmon", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, wc.hInstance, nullptr);
  WORD message = 0;
  DWORD handle = 0;
  DWORD status = take(window, &message, &handle);
  if (status != MMCD_OK) {
    std::fprintf(stderr, "mmcdmon: %s failed: %08lx\n", capture ? "mmcdSetCapture" : "mmcdRegisterApp",
                 static_cast<unsigned long>(status));
    return 1;
  }
  g_message = message;
  g_last_tick = GetTickCount();
  std::printf("mmcdmon: %s, message %u; waiting for codes\n",
              capture ? "holding the capture" : "registered", message);
  std::fflush(stdout);
  if (seconds > 0) SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  leave(handle);
  return 0;
}
