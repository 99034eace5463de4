// Cross-process delivery through the library against its baseline, a bare
// SendMessageA to the same window: a button offered to a client in another
// process (mmcdCallNextApp), and a 1091 command with a full payload copied
// there and back. Then what a change of the client table costs now that it
// holds the machine-wide table lock, against taking a named mutex alone.
//
//   beamhub_bench.exe [rounds]        runs the benchmark
//   beamhub_bench.exe --client        the registered client it starts
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "beamhub/win32/beamhub.h"

namespace {

const char kClientClass[] = "HalvoBenchClient";
UINT g_message;

struct Library {
  HMODULE module = nullptr;
  decltype(&mmcdRegisterApp) register_app = nullptr;
  decltype(&mmcdUnregisterApp) unregister_app = nullptr;
  decltype(&mmcdCallNextApp) call_next_app = nullptr;

  bool load() {
    module = LoadLibraryA("beamhub.dll");
    if (!module) return false;
    register_app = reinterpret_cast<decltype(register_app)>(
        reinterpret_cast<void*>(GetProcAddress(module, "mmcdRegisterApp")));
    unregister_app = reinterpret_cast<decltype(unregister_app)>(
        reinterpret_cast<void*>(GetProcAddress(module, "mmcdUnregisterApp")));
    call_next_app = reinterpret_cast<decltype(call_next_app)>(
        reinterpret_cast<void*>(GetProcAddress(module, "mmcdCallNextApp")));
    return register_app && unregister_app && call_next_app;
  }
};

LRESULT CALLBACK client_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == g_message && g_message != 0) {
    if (wparam == 1091) {
      // Answer in place: the value grows by one, the payload comes back as it was.
      auto* buffer = reinterpret_cast<BYTE*>(lparam);
      DWORD value;
      std::memcpy(&value, buffer + 4, 4);
      ++value;
      std::memcpy(buffer + 4, &value, 4);
    }
    return 1;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int run_client() {
  Library lib;
  if (!lib.load()) return 2;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = client_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClientClass;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, kClientClass, "bench", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
  WORD message = 0;
  DWORD handle = 0;
  if (!window || lib.register_app(window, &message, &handle) != MMCD_OK) return 3;
  g_message = message;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  lib.unregister_app(handle);
  return 0;
}

double seconds_since(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return double(now.QuadPart - start.QuadPart) / double(freq.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--client") == 0) return run_client();
  int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (rounds <= 0) rounds = 2000;

  Library lib;
  if (!lib.load()) {
    std::fprintf(stderr, "bench: beamhub.dll could not be loaded\n");
    return 1;
  }
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  char command_line[MAX_PATH + 16];
  std::snprintf(command_line, sizeof command_line, "\"%s\" --client", self);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "bench: the client process could not be started\n");
    return 1;
  }
  HWND client = nullptr;
  for (int i = 0; i < 1000 && !client; ++i) {
    client = FindWindowA(kClientClass, nullptr);
    if (!client) Sleep(10);
  }
  if (!client) {
    std::fprintf(stderr, "bench: the client did not register (is the virtual drive installed?)\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  UINT message = RegisterWindowMessageA(MMCD_MESSAGE_NAME);
  // The client registers right after creating its window.
  while (lib.call_next_app(1024, nullptr) != 1) Sleep(10);

  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) SendMessageA(client, message, 1024, 0);
  double raw = seconds_since(start);

  QueryPerformanceCounter(&start);
  DWORD answered = 0;
  for (int i = 0; i < rounds; ++i) answered += lib.call_next_app(1024, nullptr) == 1;
  double offered = seconds_since(start);

  std::vector<char> payload(1012, 'p');
  MMCD_CMD cmd = {};
  QueryPerformanceCounter(&start);
  DWORD correct = 0;
  for (int i = 0; i < rounds; ++i) {
    cmd.cmd_class = 1;
    cmd.item = 7;
    cmd.value = static_cast<uint32_t>(i);
    cmd.length = static_cast<uint32_t>(payload.size());
    cmd.data = payload.data();
    correct += lib.call_next_app(1091, &cmd) == MMCD_OK && cmd.value == static_cast<uint32_t>(i) + 1;
  }
  double commands = seconds_since(start);

  // Table changes: this process registers and leaves again while the client
  // stays, so the poll is never stopped.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "HalvoBenchMutex");
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) {
    WaitForSingleObject(mutex, INFINITE);
    ReleaseMutex(mutex);
  }
  double locked = seconds_since(start);
  CloseHandle(mutex);
  HWND own = CreateWindowExA(0, "STATIC", "bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                             nullptr);
  DWORD changed = 0;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) {
    WORD id = 0;
    DWORD handle = 0;
    changed += lib.register_app(own, &id, &handle) == MMCD_OK && lib.unregister_app(handle) == MMCD_OK;
  }
  double changes = seconds_since(start);
  DestroyWindow(own);

  PostMessageA(client, WM_CLOSE, 0, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);

  std::printf("cross-process delivery, %d rounds each (one client in another process)\n", rounds);
  std::printf("  %-44s %9s %9s\n", "", "us/call", "vs base");
  std::printf("  %-44s %9.1f %9s\n", "baseline: SendMessageA to the client window", raw * 1e6 / rounds, "1.00x");
  std::printf("  %-44s %9.1f %8.2fx  (%lu answered)\n", "mmcdCallNextApp(button)", offered * 1e6 / rounds,
              offered / raw, answered);
  std::printf("  %-44s %9.1f %8.2fx  (%lu answered)\n", "mmcdCallNextApp(1091, 1012-byte payload)",
              commands * 1e6 / rounds, commands / raw, correct);
  // A button must reach the client well inside one 200 ms poll tick.
  std::printf("  poll tick budget 200000 us: %s\n", offered * 1e6 / rounds < 200000 ? "met" : "NOT met");
  std::printf("table changes, %d rounds each (each change holds the machine-wide table lock)\n", rounds);
  std::printf("  %-44s %9s %9s\n", "", "us/round", "vs base");
  std::printf("  %-44s %9.1f %9s\n", "baseline: a named mutex taken and given back", locked * 1e6 / rounds,
              "1.00x");
  std::printf("  %-44s %9.1f %8.2fx  (%lu made)\n", "mmcdRegisterApp + mmcdUnregisterApp",
              changes * 1e6 / rounds, changes / locked, changed);
  return answered == static_cast<DWORD>(rounds) && correct == static_cast<DWORD>(rounds) &&
                 changed == static_cast<DWORD>(rounds)
             ? 0
             : 1;
}
