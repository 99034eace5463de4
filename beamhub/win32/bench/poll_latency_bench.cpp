// Poll latency: from the start of a poll tick (the receiver report read
// arriving at the virtual drive) to the window procedure of a registered
// client in another process receiving the code, over presses of ten digit
// buttons that the clients claim.
//
//   beamhub_poll_bench.exe [presses]    runs the benchmark (owns the poll)
//   beamhub_poll_bench.exe --client N   one of the four clients it starts
//
// The poll runs in this process: it loads the library first and keeps a
// message loop going. Clients record QueryPerformanceCounter on receipt in
// shared memory; the drive's log gives each read's arrival and answer times.
// The library's own 10 ms wait and its SendMessageA calls are timed by
// wrapping those imports of the loaded library in this process.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "beamhub/codes.h"
#include "beamhub/win32/beamhub.h"
#include "sim/drive/button_code.h"
#include "beamhub/win32/bench/bench_support.h"
#include "sim/drive/win32/vdrive_store.h"

namespace {

using namespace bench;

const char kClientClass[] = "HalvoPollBenchClient";
const char kSharedName[] = "HalvoPollBenchShared";
const UINT kClockProbe = WM_APP + 1;
constexpr int kClients = 4;
constexpr int kButtons = 10;
constexpr int kMaxReceipts = 8192;
constexpr unsigned kWaitMs = 10;  // the library's wait after each drive command

struct Receipt {
  int64_t qpc;
  uint32_t code;
  uint32_t client;
};

struct Shared {
  volatile LONG ready;
  volatile LONG count;
  int64_t windows[kClients];
  int64_t probe[kClients];
  Receipt receipts[kMaxReceipts];
};

Shared* g_shared;
UINT g_message;
int g_client;

double g_ms_per_tick;

Shared* open_shared(bool create) {
  HANDLE mapping = create ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               sizeof(Shared), kSharedName)
                          : OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedName);
  if (!mapping) return nullptr;
  return static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
}

// ---- the client

LRESULT CALLBACK client_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == g_message && g_message != 0) {
    int64_t t = now();
    if (wparam != beamhub::kEvNothing) {
      LONG i = InterlockedIncrement(&g_shared->count) - 1;
      if (i < kMaxReceipts) {
        g_shared->receipts[i].qpc = t;
        g_shared->receipts[i].code = static_cast<uint32_t>(wparam);
        g_shared->receipts[i].client = static_cast<uint32_t>(g_client);
      }
    }
    return 1;
  }
  if (message == kClockProbe) {
    g_shared->probe[g_client] = now();
    return 1;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int run_client(int index) {
  g_client = index;
  g_shared = open_shared(false);
  if (!g_shared || index < 0 || index >= kClients) return 2;
  HMODULE lib = LoadLibraryA("beamhub.dll");
  if (!lib) return 2;
  auto register_app = reinterpret_cast<decltype(&mmcdRegisterApp)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "mmcdRegisterApp")));
  auto unregister_app = reinterpret_cast<decltype(&mmcdUnregisterApp)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "mmcdUnregisterApp")));
  if (!register_app || !unregister_app) return 2;
  HWND window = client_window(kClientClass, client_proc);
  WORD message = 0;
  DWORD handle = 0;
  if (!window || register_app(window, &message, &handle) != MMCD_OK) return 3;
  g_message = message;
  g_shared->windows[index] = reinterpret_cast<int64_t>(window);
  InterlockedIncrement(&g_shared->ready);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  unregister_app(handle);
  return 0;
}

// ---- the coordinator

// The library's Sleep and SendMessageA, timed on this thread: when each
// 10 ms wait ended and when each code was handed to SendMessageA.
VOID(WINAPI* g_real_sleep)(DWORD);
LRESULT(WINAPI* g_real_send)(HWND, UINT, WPARAM, LPARAM);
DWORD g_main_thread;
UINT g_mmcd_message;
std::vector<int64_t> g_wait_ends;
std::vector<int64_t> g_sends;

VOID WINAPI timed_sleep(DWORD ms) {
  g_real_sleep(ms);
  if (ms == kWaitMs && GetCurrentThreadId() == g_main_thread) g_wait_ends.push_back(now());
}

LRESULT WINAPI timed_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == g_mmcd_message && GetCurrentThreadId() == g_main_thread) g_sends.push_back(now());
  return g_real_send(window, message, wparam, lparam);
}

struct Read {
  int64_t arrived;
  int64_t answered;
  int button;  // index into the pressed buttons, -1 for another code
};

void print_row(const char* what, std::vector<double> v, const char* goal, double limit) {
  std::sort(v.begin(), v.end());
  double p99 = percentile(v, 99);
  std::printf("  %-44s %7.2f %7.2f %7.2f   ", what, percentile(v, 50), p99, v.empty() ? 0 : v.back());
  if (goal)
    std::printf("%s: %s\n", goal, !v.empty() && p99 < limit ? "met" : "NOT met");
  else
    std::printf("-\n");
}

int fail(const char* text) {
  std::fprintf(stderr, "poll bench: %s\n", text);
  return 1;
}

int run(int presses) {
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  g_ms_per_tick = 1000.0 / double(freq.QuadPart);
  g_main_thread = GetCurrentThreadId();

  // The ten buttons' codes, from the button map the library reads by default.
  static const char* const kNames[kButtons] = {"Button0", "Button1", "Button2", "Button3",
                                               "Button4", "Button5", "Button6", "Button7",
                                               "Button8", "Button9"};
  char map[MAX_PATH];
  GetFullPathNameA("zk.rcb", sizeof map, map, nullptr);
  uint8_t codes[kButtons][vdrive::kCodeSize];
  for (int b = 0; b < kButtons; ++b) {
    char value[64];
    GetPrivateProfileStringA("Mapping", kNames[b], "", value, sizeof value, map);
    std::string error;
    if (!vdrive::decode_mapping(value, codes[b], error)) return fail("no zk.rcb with the digit buttons here");
  }

  g_shared = open_shared(true);
  if (!g_shared) return fail("no shared memory");
  std::memset(g_shared, 0, sizeof *g_shared);

  vdrive::Store store = {};
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&store, &error);
  if (!state) return fail(vdrive::store_error_text(error));
  vdrive::reset(*state);
  vdrive::store_unlock(&store);

  Voice old_voice = voice_off();
  HMODULE lib = LoadLibraryA("beamhub.dll");
  if (!lib) {
    restore_voice(old_voice);
    return fail("beamhub.dll could not be loaded");
  }
  HWND poll = FindWindowA("MmcdPollClass", nullptr);
  DWORD owner = 0;
  if (poll) GetWindowThreadProcessId(poll, &owner);
  if (owner != GetCurrentProcessId()) {
    FreeLibrary(lib);
    restore_voice(old_voice);
    return fail("another process already polls (the library is loaded elsewhere)");
  }
  g_mmcd_message = RegisterWindowMessageA(MMCD_MESSAGE_NAME);
  g_real_sleep = reinterpret_cast<VOID(WINAPI*)(DWORD)>(
      wrap_import(lib, "kernel32.dll", "Sleep", reinterpret_cast<void*>(&timed_sleep)));
  g_real_send = reinterpret_cast<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>(
      wrap_import(lib, "user32.dll", "SendMessageA", reinterpret_cast<void*>(&timed_send)));
  bool wrapped = g_real_sleep != nullptr;

  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::vector<PROCESS_INFORMATION> children;
  for (int c = 0; c < kClients; ++c) {
    char command_line[MAX_PATH + 32];
    std::snprintf(command_line, sizeof command_line, "\"%s\" --client %d", self, c);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      break;
    children.push_back(pi);
    // One at a time, so that they register in order.
    for (int i = 0; i < 1000 && g_shared->ready <= c; ++i) pump(10);
    if (g_shared->ready <= c) break;
  }
  int status = 0;
  if (g_shared->ready < kClients) status = fail("the clients did not all register");

  // One clock in every process: each client's reading lies inside the
  // interval around the message that asks for it.
  int in_order = 0;
  for (int c = 0; status == 0 && c < kClients; ++c) {
    int64_t before = now();
    SendMessageA(reinterpret_cast<HWND>(g_shared->windows[c]), kClockProbe, 0, 0);
    int64_t after = now();
    in_order += before <= g_shared->probe[c] && g_shared->probe[c] <= after;
  }

  std::vector<Read> reads;
  int pressed = 0;
  double seconds = 0;
  if (status == 0) {
    // Let the first ticks (the welcome, the drive's first report) pass.
    pump(1000);
    state = vdrive::store_lock(&store, &error);
    if (!state) return fail(vdrive::store_error_text(error));
    uint32_t seen = state->log_next;
    vdrive::store_unlock(&store);
    InterlockedExchange(&g_shared->count, 0);
    g_wait_ends.clear();
    g_sends.clear();

    int64_t start = now();
    DWORD deadline = GetTickCount() + 10000 + static_cast<DWORD>(presses) * 600;
    DWORD idle_until = 0;
    while (static_cast<int32_t>(deadline - GetTickCount()) > 0) {
      state = vdrive::store_lock(&store, &error);
      if (!state) break;
      vdrive::DriveSlot* drive = receiver_drive(*state);
      // Two reports waiting at most: one press per tick, each another button.
      if (drive && pressed < presses && drive->queue_count < 2) {
        vdrive::QueuedReport report =
            vdrive::code_report(codes[pressed % kButtons], 0, 1);
        if (vdrive::queue_report(*drive, report)) ++pressed;
      }
      for (; seen != state->log_next; ++seen) {
        const vdrive::LogEntry& e = state->log[seen % vdrive::kLogSize];
        if (e.seq != seen || e.opcode != vdrive::kOpModeSense10 || e.page != vdrive::kPageReport ||
            e.data_count < 18 || (e.data[10] >> 6) != vdrive::kReportCode || !drive ||
            e.letter != drive->letter)
          continue;
        Read r{e.arrived, e.answered, -1};
        for (int b = 0; b < kButtons; ++b)
          if (std::memcmp(e.data + 12, codes[b], vdrive::kCodeSize) == 0) r.button = b;
        reads.push_back(r);
      }
      vdrive::store_unlock(&store);
      if (pressed == presses && g_shared->count >= presses && idle_until == 0)
        idle_until = GetTickCount() + 500;
      if (idle_until && static_cast<int32_t>(GetTickCount() - idle_until) >= 0) break;
      pump(2);
    }
    seconds = double(now() - start) * g_ms_per_tick / 1000.0;
  }

  for (HWND w : {reinterpret_cast<HWND>(g_shared->windows[0]), reinterpret_cast<HWND>(g_shared->windows[1]),
                 reinterpret_cast<HWND>(g_shared->windows[2]), reinterpret_cast<HWND>(g_shared->windows[3])})
    if (w) PostMessageA(w, WM_CLOSE, 0, 0);
  for (PROCESS_INFORMATION& pi : children) {
    for (int i = 0; i < 500 && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; ++i) pump(10);
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  FreeLibrary(lib);
  restore_voice(old_voice);
  if (status) return status;

  // The k-th code read carried the k-th press; the first receipt after it
  // (the first client in order claims it) is its delivery.
  LONG count = g_shared->count;
  std::vector<Receipt> got(g_shared->receipts, g_shared->receipts + std::min<LONG>(count, kMaxReceipts));
  std::sort(got.begin(), got.end(), [](const Receipt& a, const Receipt& b) { return a.qpc < b.qpc; });
  std::vector<double> total, after_read, after_wait, waited, read_time, to_send, delivery;
  int matched = 0, wrong = 0;
  size_t next = 0;
  for (size_t k = 0; k < reads.size(); ++k) {
    const Read& r = reads[k];
    int64_t limit = k + 1 < reads.size() ? reads[k + 1].arrived : INT64_MAX;
    while (next < got.size() && got[next].qpc < r.answered) ++next;
    if (next >= got.size() || got[next].qpc >= limit) continue;
    const Receipt& d = got[next++];
    if (r.button < 0 || d.code != beamhub::kButton0 + static_cast<uint32_t>(r.button)) {
      ++wrong;
      continue;
    }
    ++matched;
    total.push_back(double(d.qpc - r.arrived) * g_ms_per_tick);
    read_time.push_back(double(r.answered - r.arrived) * g_ms_per_tick);
    after_read.push_back(double(d.qpc - r.answered) * g_ms_per_tick - kWaitMs);
    auto end = std::lower_bound(g_wait_ends.begin(), g_wait_ends.end(), r.answered);
    if (wrapped && end != g_wait_ends.end() && *end <= d.qpc) {
      after_wait.push_back(double(d.qpc - *end) * g_ms_per_tick);
      waited.push_back(double(*end - r.answered) * g_ms_per_tick);
      auto send = std::lower_bound(g_sends.begin(), g_sends.end(), *end);
      if (g_real_send && send != g_sends.end() && *send <= d.qpc) {
        to_send.push_back(double(*send - *end) * g_ms_per_tick);
        delivery.push_back(double(d.qpc - *send) * g_ms_per_tick);
      }
    }
  }

  std::printf("poll latency under Wine: %d presses of %d buttons, %d clients in other processes, "
              "voice off\n", pressed, kButtons, kClients);
  std::printf("  QueryPerformanceCounter one clock in every process: %s (%d of %d probes in order)\n",
              in_order == kClients ? "yes" : "NO", in_order, kClients);
  std::printf("  %d code reads, %d deliveries matched to them, %d to another code, %.1f s\n",
              static_cast<int>(reads.size()), matched, wrong, seconds);
  std::printf("  %-44s %7s %7s %7s   %s\n", "ms", "p50", "p99", "max", "goal");
  print_row("tick start to client window procedure", total, "p99 under 15 ms", 15.0);
  print_row("after the report was read (less the 10 ms)", after_read, "p99 under 2 ms", 2.0);
  if (!after_wait.empty()) {
    print_row("after the library's wait ended (measured)", after_wait, "p99 under 2 ms", 2.0);
    if (!to_send.empty()) {
      print_row("  wait end to SendMessageA (decode, offer)", to_send, nullptr, 0);
      print_row("  SendMessageA to the window procedure", delivery, nullptr, 0);
    }
    print_row("  the 10 ms wait as slept", waited, nullptr, 0);
  }
  print_row("  the read itself (arrival to answer)", read_time, nullptr, 0);
  return matched == presses && in_order == kClients ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--client") == 0) return run_client(std::atoi(argv[2]));
  int presses = argc > 1 ? std::atoi(argv[1]) : 200;
  if (presses <= 0 || presses > kMaxReceipts) presses = 200;
  return run(presses);
}
