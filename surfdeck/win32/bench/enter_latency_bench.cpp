// Enter to the browser under Wine: from the start of the poll tick that
// reads Enter (the receiver report read arriving at the virtual drive) to
// the "WWW_OpenURL" request arriving at the test browser, with surfdeck.exe
// bound to it; beside, in the same run, the library's own delivery to a
// client window in another process, a bare DDE connect, request and
// disconnect of this program's own against the same browser, and that
// exchange made by the client itself when the library hands it Enter (the
// path without surfdeck's own work).
//
//   surfdeck_enter_bench.exe [rounds]   runs the benchmark (owns the poll)
//   surfdeck_enter_bench.exe --client   the client it starts
//
// Run from the suite folder. The poll lives in this process: it loads the
// library first and keeps a message loop going. The drive's log gives each
// read's arrival, the browser's log each transaction's (both from
// QueryPerformanceCounter), and the library's SendMessageA calls are timed
// by wrapping that import of the loaded library in this process.
//
// Presses alternate a digit and Enter, one per tick, so that the library's
// repeat filter (the same button again within 500 ms) drops none; each
// digit and Enter open the digit's link. The phases take turns in blocks
// of rounds, all with the same processes up: the browser, surfdeck and the
// client registered first (it takes every code; for surfdeck's turn it
// leaves the library, its windows staying), so that every DDE connect's
// broadcast meets the same windows.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "beamhub/codes.h"
#include "beamhub/win32/beamhub.h"
#include "beamhub/win32/bench/bench_support.h"
#include "sim/browser/log_line.h"
#include "sim/drive/button_code.h"
#include "sim/drive/win32/vdrive_store.h"
#include "surfdeck/bookmark_file.h"
#include "surfdeck/keys.h"
#include "surfdeck/win32/main_frame.h"

namespace {

using namespace bench;

const char kClientClass[] = "HalvoEnterBenchClient";
const char kSharedName[] = "HalvoEnterBenchShared";
const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
// Where the appBrowser settings wait while the bench runs with its own.
const char kSavedKeyName[] = "appBrowser.saved-by-enter-bench";
const char kBrowserFrameClass[] = "IEFrame";
const char kService[] = "IEXPLORE";
const UINT kClockProbe = WM_APP + 1;
const UINT kUnregister = WM_APP + 2;  // the client leaves the library, its windows stay
const UINT kFirstApp = WM_APP + 3;    // the client is offered every code first
const UINT kRegister = WM_APP + 4;    // the client registers again, and first
constexpr int kBlock = 20;            // rounds of each phase before the next phase's
constexpr int kMaxReceipts = 8192;
constexpr int kMaxExchanges = 4096;
constexpr int kLinks = 20;           // links on the bookmark page; digits 1-9 open 1-9
constexpr int kEnterIndex = 10;      // codes[0..9] the digits, codes[10] Enter
constexpr DWORD kTickMs = 200;
constexpr DWORD kStartMs = 20000;    // a program's start, binding, registering
constexpr DWORD kEndMs = 5000;       // a program's end before it is terminated

struct Receipt {
  int64_t qpc;
  uint32_t code;
};

// One DDE exchange: before the connect and after the disconnect.
struct Exchange {
  int64_t start;
  int64_t end;
  int32_t link;
  int32_t answered;
};

struct Shared {
  volatile LONG ready;
  volatile LONG count;
  int64_t window;
  int64_t probe;
  volatile LONG dde_on_enter;  // the client opens the last digit's link on Enter
  volatile LONG exchange_count;
  Exchange exchanges[kMaxExchanges];
  Receipt receipts[kMaxReceipts];
};

Shared* g_shared;
UINT g_message;
LARGE_INTEGER g_frequency;

// Microseconds as the test browser writes them in its log.
int64_t micros(int64_t qpc) {
  const int64_t f = g_frequency.QuadPart;
  return (qpc / f) * 1000000 + (qpc % f) * 1000000 / f;
}

Shared* open_shared(bool create) {
  HANDLE mapping = create ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               sizeof(Shared), kSharedName)
                          : OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedName);
  if (!mapping) return nullptr;
  return static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
}

std::string link_url(int n) { return "http://links.test/page" + std::to_string(n) + ".htm"; }
// What surfdeck sends for link n: the argument "\"url\",,0xFFFFFFFF" and ",,,,,".
std::string link_item(int n) { return "\"" + link_url(n) + "\",,0xFFFFFFFF,,,,,"; }

// A DDEML client of its own, as surfdeck's: string handles of the service
// and the topic made once, the item's for each exchange.
class BareDde {
 public:
  bool open() {
    if (DdeInitializeA(&instance_, callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
      instance_ = 0;
      return false;
    }
    service_ = DdeCreateStringHandleA(instance_, kService, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(instance_, "WWW_OpenURL", CP_WINANSI);
    return true;
  }
  ~BareDde() {
    if (instance_ == 0) return;
    DdeFreeStringHandle(instance_, topic_);
    DdeFreeStringHandle(instance_, service_);
    DdeUninitialize(instance_);
  }
  // Connect, request link n, disconnect.
  Exchange exchange(int link) {
    Exchange x{now(), 0, link, 0};
    if (instance_ != 0) {
      HCONV conversation = DdeConnect(instance_, service_, topic_, nullptr);
      if (conversation) {
        HSZ item = DdeCreateStringHandleA(instance_, link_item(link).c_str(), CP_WINANSI);
        HDDEDATA data = DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                             1000, nullptr);
        x.answered = data != nullptr;
        if (data) DdeFreeDataHandle(data);
        DdeFreeStringHandle(instance_, item);
        DdeDisconnect(conversation);
      }
    }
    x.end = now();
    return x;
  }

 private:
  static HDDEDATA CALLBACK callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
  }
  DWORD instance_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
};

// ---- the client

BareDde* g_client_dde;
DWORD g_client_handle;
decltype(&mmcdRegisterApp) g_register;
decltype(&mmcdUnregisterApp) g_unregister;
decltype(&mmcdSetFirstApp) g_set_first;
int g_last_digit;

LRESULT CALLBACK client_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == g_message && g_message != 0) {
    const int64_t t = now();
    // The idle notice goes on to the next window: the bench finds surfdeck
    // registered behind this one that way.
    if (wparam == beamhub::kEvNothing) return 2;
    const LONG i = InterlockedIncrement(&g_shared->count) - 1;
    if (i < kMaxReceipts) g_shared->receipts[i] = Receipt{t, static_cast<uint32_t>(wparam)};
    if (wparam >= beamhub::kButton1 && wparam <= beamhub::kButton9)
      g_last_digit = static_cast<int>(wparam - beamhub::kButton0);
    if (wparam == beamhub::kEnter && g_shared->dde_on_enter && g_last_digit != 0) {
      const Exchange x = g_client_dde->exchange(g_last_digit);
      const LONG k = InterlockedIncrement(&g_shared->exchange_count) - 1;
      if (k < kMaxExchanges) g_shared->exchanges[k] = x;
      g_last_digit = 0;
    }
    return 1;
  }
  if (message == kClockProbe) {
    g_shared->probe = now();
    return 1;
  }
  if (message == kFirstApp) {
    if (g_client_handle) g_set_first(g_client_handle);
    return 1;
  }
  if (message == kRegister) {
    WORD id = 0;
    DWORD handle = 0;
    if (!g_client_handle && g_register(window, &id, &handle) == MMCD_OK) {
      g_client_handle = handle;
      g_set_first(handle);
    }
    return g_client_handle != 0;
  }
  if (message == kUnregister) {
    if (g_client_handle) g_unregister(g_client_handle);
    g_client_handle = 0;
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

int run_client() {
  g_shared = open_shared(false);
  if (!g_shared) return 2;
  HMODULE lib = LoadLibraryA("beamhub.dll");
  if (!lib) return 2;
  auto register_app = reinterpret_cast<decltype(&mmcdRegisterApp)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "mmcdRegisterApp")));
  auto unregister_app = reinterpret_cast<decltype(&mmcdUnregisterApp)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "mmcdUnregisterApp")));
  g_set_first = reinterpret_cast<decltype(&mmcdSetFirstApp)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "mmcdSetFirstApp")));
  if (!register_app || !unregister_app || !g_set_first) return 2;
  g_register = register_app;
  g_unregister = unregister_app;
  BareDde dde;
  if (!dde.open()) return 2;
  g_client_dde = &dde;
  HWND window = client_window(kClientClass, client_proc);
  WORD message = 0;
  DWORD handle = 0;
  if (!window || register_app(window, &message, &handle) != MMCD_OK) return 3;
  g_client_handle = handle;
  g_message = message;
  g_shared->window = reinterpret_cast<int64_t>(window);
  InterlockedIncrement(&g_shared->ready);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  if (g_client_handle) unregister_app(g_client_handle);
  return 0;
}

// ---- the library's SendMessageA, timed on the poll's thread

struct Send {
  int64_t called;
  int64_t returned;
  HWND window;
  WPARAM code;
};

LRESULT(WINAPI* g_real_send)(HWND, UINT, WPARAM, LPARAM);
DWORD g_main_thread;
UINT g_mmcd_message;
std::vector<Send> g_sends;

LRESULT WINAPI timed_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != g_mmcd_message || GetCurrentThreadId() != g_main_thread)
    return g_real_send(window, message, wparam, lparam);
  const int64_t called = now();
  const LRESULT result = g_real_send(window, message, wparam, lparam);
  g_sends.push_back(Send{called, now(), window, wparam});
  return result;
}

// Pumps until condition holds; false at the deadline.
bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD end = GetTickCount() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (static_cast<int32_t>(end - GetTickCount()) <= 0) return false;
    pump(20);
  }
}

// ---- processes: all in a job that ends them with this one

HANDLE g_job;

void open_job() {
  g_job = CreateJobObjectA(nullptr, nullptr);
  if (!g_job) return;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(g_job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(g_job, GetCurrentProcess())) {
    CloseHandle(g_job);
    g_job = nullptr;
  }
}

class Child {
 public:
  ~Child() { end(nullptr); }
  bool start(const std::string& command_line, const char* folder) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = command_line;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi_))
      return false;
    started_ = true;
    return true;
  }
  bool running() const { return started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD pid() const { return started_ ? pi_.dwProcessId : 0; }
  // Asks window (if any) to close, waits while serving messages, then
  // terminates what is left.
  void end(HWND window) {
    if (!started_) return;
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (window) pump_until([&] { return !running(); }, kEndMs);
    if (running()) {
      TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, kEndMs);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    started_ = false;
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

// A top-level window of class_name owned by process pid.
HWND window_of(const char* class_name, DWORD pid) {
  for (HWND w = FindWindowExA(nullptr, nullptr, class_name, nullptr); w;
       w = FindWindowExA(nullptr, w, class_name, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) return w;
  }
  return nullptr;
}

// ---- settings: the bench's own, the user's put back afterwards

std::string saved_key() { return std::string(kSuiteKey) + "\\" + kSavedKeyName; }

bool key_exists(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Copies the appBrowser key (if any) aside, then leaves only the bench's
// values in it. A copy left by a run that did not finish is kept: it holds
// the settings from before that run.
bool use_bench_settings(const std::string& bookmarks) {
  const std::string saved = saved_key();
  if (!key_exists(saved)) {
    HKEY to;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, saved.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to,
                        nullptr) != ERROR_SUCCESS)
      return false;
    // The marker says there was no appBrowser key to put back.
    const bool had = key_exists(surfdeck::kAppBrowserKey);
    bool copied = true;
    if (had) {
      HKEY from;
      copied = RegOpenKeyExA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, 0, KEY_READ, &from) ==
               ERROR_SUCCESS;
      if (copied) {
        copied = RegCopyTreeA(from, nullptr, to) == ERROR_SUCCESS;
        RegCloseKey(from);
      }
    } else {
      RegSetValueExA(to, "(none)", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    RegCloseKey(to);
    if (!copied) {
      RegDeleteTreeA(HKEY_CURRENT_USER, saved.c_str());
      return false;
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey);
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const char ntimeout[] = "1500";
  RegSetValueExA(key, surfdeck::kNTimeoutValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(ntimeout),
                 sizeof ntimeout);
  RegSetValueExA(key, surfdeck::kBookmarkValue, 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(bookmarks.c_str()),
                 static_cast<DWORD>(bookmarks.size() + 1));
  RegCloseKey(key);
  return true;
}

void restore_settings() {
  const std::string saved = saved_key();
  if (!key_exists(saved)) return;
  RegDeleteTreeA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey);
  HKEY from;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, saved.c_str(), 0, KEY_READ, &from) != ERROR_SUCCESS) return;
  const bool none = RegQueryValueExA(from, "(none)", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  bool restored = true;
  if (!none) {
    HKEY to;
    restored = RegCreateKeyExA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, 0, nullptr, 0,
                               KEY_ALL_ACCESS, nullptr, &to, nullptr) == ERROR_SUCCESS;
    if (restored) {
      restored = RegCopyTreeA(from, nullptr, to) == ERROR_SUCCESS;
      RegCloseKey(to);
    }
  }
  RegCloseKey(from);
  if (restored) RegDeleteTreeA(HKEY_CURRENT_USER, saved.c_str());
}

// ---- the pages and the browser's log

bool write_file(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string bookmark_page() {
  std::string page;
  surfdeck::BookmarkWriter writer(page);
  writer.start("");
  writer.heading(0, "Bench links");
  writer.listStart(0);
  for (int n = 1; n <= kLinks; ++n) writer.entry(1, link_url(n), "Page " + std::to_string(n));
  writer.listEnd(0);
  writer.end();
  return page;
}

class BrowserLog {
 public:
  explicit BrowserLog(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  // Later reads start at the end of what the file holds now.
  void mark() { mark_ = size(); }
  // The whole lines after the mark.
  std::vector<browser::LogEntry> read() const {
    std::vector<browser::LogEntry> entries;
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return entries;
    std::string bytes;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(mark_);
    if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
      char block[8192];
      DWORD got = 0;
      while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
    }
    CloseHandle(file);
    size_t begin = 0;
    for (size_t end; (end = bytes.find('\n', begin)) != std::string::npos; begin = end + 1) {
      std::string line = bytes.substr(begin, end - begin);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (auto entry = browser::parse_log_line(line)) entries.push_back(std::move(*entry));
    }
    return entries;
  }

 private:
  unsigned long long size() const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  std::string path_;
  unsigned long long mark_ = 0;
};

struct Request {
  int64_t t;  // microseconds
  std::string item;
};

// The "WWW_OpenURL" requests the browser answered, oldest first.
std::vector<Request> opened(const std::vector<browser::LogEntry>& log) {
  std::vector<Request> out;
  for (const browser::LogEntry& e : log)
    if (e.event == "dde" && e.has("type", "request") && e.has("topic", "WWW_OpenURL") &&
        e.has("result", "answered"))
      out.push_back(Request{e.number("t"), e.get("item")});
  return out;
}

// ---- presses on the virtual remote and the reads that carried them

struct Read {
  int64_t arrived;   // microseconds
  int64_t answered;
  int button;        // index into the codes, -1 for another code
};

using Codes = uint8_t[kEnterIndex + 1][vdrive::kCodeSize];

// The k-th press: digits 1-9 in turn, each followed by Enter.
int press_button(int k) { return k % 2 == 1 ? kEnterIndex : 1 + (k / 2) % 9; }

// Queues presses one per tick (two waiting at most) and collects the code
// reads, until every press was read and done() holds for half a second, or
// a deadline.
bool run_presses(vdrive::Store& store, const Codes& codes, int presses,
                 const std::function<bool()>& done, std::vector<Read>& reads) {
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&store, &error);
  if (!state) return false;
  uint32_t seen = state->log_next;
  vdrive::store_unlock(&store);
  int pressed = 0;
  const DWORD deadline = GetTickCount() + 10000 + static_cast<DWORD>(presses) * 3 * kTickMs;
  DWORD idle_until = 0;
  while (static_cast<int32_t>(deadline - GetTickCount()) > 0) {
    state = vdrive::store_lock(&store, &error);
    if (!state) return false;
    vdrive::DriveSlot* drive = receiver_drive(*state);
    if (drive && pressed < presses && drive->queue_count < 2 &&
        vdrive::queue_report(*drive, vdrive::code_report(codes[press_button(pressed)], 0, 1)))
      ++pressed;
    for (; seen != state->log_next; ++seen) {
      const vdrive::LogEntry& e = state->log[seen % vdrive::kLogSize];
      if (e.seq != seen || e.opcode != vdrive::kOpModeSense10 || e.page != vdrive::kPageReport ||
          e.data_count < 18 || (e.data[10] >> 6) != vdrive::kReportCode || !drive ||
          e.letter != drive->letter)
        continue;
      Read r{micros(e.arrived), micros(e.answered), -1};
      for (int b = 0; b <= kEnterIndex; ++b)
        if (std::memcmp(e.data + 12, codes[b], vdrive::kCodeSize) == 0) r.button = b;
      reads.push_back(r);
    }
    vdrive::store_unlock(&store);
    if (pressed == presses && static_cast<int>(reads.size()) >= presses && done() &&
        idle_until == 0)
      idle_until = GetTickCount() + 500;
    if (idle_until && static_cast<int32_t>(GetTickCount() - idle_until) >= 0) return true;
    pump(2);
  }
  return false;
}

// ---- figures

double ms(int64_t micros) { return static_cast<double>(micros) / 1000.0; }

double p50(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return percentile(v, 50);
}

void print_row(const char* what, std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::printf("  %-58s %5zu %7.2f %7.2f %7.2f\n", what, v.size(), percentile(v, 50),
              percentile(v, 99), v.empty() ? 0 : v.back());
}

int fail(const char* text) {
  std::fprintf(stderr, "enter bench: %s\n", text);
  return 1;
}

// The last one found among the sends to window in [from, to).
const Send* send_in(HWND window, WPARAM code, int64_t from, int64_t to) {
  const Send* found = nullptr;
  for (const Send& s : g_sends)
    if (s.window == window && s.code == code && micros(s.called) >= from && micros(s.called) < to)
      found = &s;
  return found;
}

// Presses of Enter that went to one window and made it open a link.
struct EnterFigures {
  std::vector<double> total;            // tick start to the request at the browser
  std::vector<double> to_send;          // tick start to the library's SendMessageA
  std::vector<double> send_to_request;  // SendMessageA to the request at the browser
  std::vector<double> answer;           // SendMessageA called to returned
  std::vector<double> connect_to_request;  // the client's own exchange: before its connect
  int rounds = 0, matched = 0, wrong = 0;
};

struct Figures {
  // The library's delivery to the client.
  std::vector<double> delivery, delivery_to_send, send_to_client;
  int delivery_presses = 0, delivery_matched = 0, delivery_wrong = 0;
  // The bench's own DDE exchange.
  std::vector<double> bare_arrival, bare_round_trip;
  int bare_rounds = 0, bare_failed = 0;
  EnterFigures client;  // the client making the exchange on Enter
  EnterFigures front;   // surfdeck
};

// ---- the phases

// The library's delivery to the client's window in another process.
void measure_delivery(vdrive::Store& store, const Codes& codes, int presses, HWND client, Figures& f) {
  InterlockedExchange(&g_shared->count, 0);
  g_sends.clear();
  std::vector<Read> reads;
  run_presses(store, codes, presses, [&] { return g_shared->count >= presses; }, reads);
  f.delivery_presses += presses;
  const LONG received = g_shared->count;
  const LONG count = std::min<LONG>(received, kMaxReceipts);
  std::vector<Receipt> got(g_shared->receipts, g_shared->receipts + count);
  std::sort(got.begin(), got.end(), [](const Receipt& a, const Receipt& b) { return a.qpc < b.qpc; });
  size_t next = 0;
  for (size_t k = 0; k < reads.size(); ++k) {
    const Read& r = reads[k];
    const int64_t limit = k + 1 < reads.size() ? reads[k + 1].arrived : INT64_MAX;
    while (next < got.size() && micros(got[next].qpc) < r.answered) ++next;
    if (next >= got.size() || micros(got[next].qpc) >= limit) continue;
    const Receipt& d = got[next++];
    const uint32_t expected = r.button == kEnterIndex ? beamhub::kEnter : beamhub::kButton0 + r.button;
    if (r.button < 0 || d.code != expected) {
      ++f.delivery_wrong;
      continue;
    }
    ++f.delivery_matched;
    const int64_t delivered = micros(d.qpc);
    f.delivery.push_back(ms(delivered - r.arrived));
    if (const Send* s = send_in(client, d.code, r.arrived, limit)) {
      f.delivery_to_send.push_back(ms(micros(s->called) - r.arrived));
      f.send_to_client.push_back(ms(delivered - micros(s->called)));
    }
  }
}

// The bench's own exchanges, one per tick, each for the next digit's link.
void measure_bare_dde(BrowserLog& log, int rounds, Figures& f) {
  f.bare_rounds += rounds;
  BareDde dde;
  if (!dde.open()) {
    f.bare_failed += rounds;
    return;
  }
  std::vector<Exchange> exchanges;
  log.mark();
  for (int i = 0; i < rounds; ++i) {
    pump(kTickMs);
    exchanges.push_back(dde.exchange(1 + i % 9));
  }
  std::vector<Request> requests;
  pump_until([&] {
    requests = opened(log.read());
    return requests.size() >= exchanges.size();
  }, 5000);
  size_t next = 0;
  for (const Exchange& x : exchanges) {
    const int64_t start = micros(x.start), end = micros(x.end);
    while (next < requests.size() && requests[next].t < start) ++next;
    if (!x.answered || next >= requests.size() || requests[next].t > end ||
        requests[next].item != link_item(x.link)) {
      ++f.bare_failed;
      continue;
    }
    f.bare_arrival.push_back(ms(requests[next++].t - start));
    f.bare_round_trip.push_back(ms(end - start));
  }
}

// Digits and Enter on the remote, handed to window: each Enter's tick to
// the request for the digit's link at the browser.
void measure_enters(vdrive::Store& store, const Codes& codes, BrowserLog& log, int rounds, HWND window,
                    EnterFigures& e) {
  e.rounds += rounds;
  g_sends.clear();
  log.mark();
  std::vector<Read> reads;
  std::vector<Request> requests;
  run_presses(store, codes, 2 * rounds, [] { return true; }, reads);
  pump_until([&] {
    requests = opened(log.read());
    return static_cast<int>(requests.size()) >= rounds;
  }, 5000);
  const LONG made = g_shared->exchange_count;
  const LONG exchanged = std::min<LONG>(made, kMaxExchanges);
  for (size_t k = 1; k < reads.size(); ++k) {
    const Read& r = reads[k];
    if (r.button != kEnterIndex) continue;
    const int digit = reads[k - 1].button;
    const int64_t limit = k + 1 < reads.size() ? reads[k + 1].arrived : INT64_MAX;
    const Request* request = nullptr;
    for (const Request& q : requests)
      if (q.t >= r.arrived && q.t < limit) {
        request = &q;
        break;
      }
    if (!request) continue;
    if (digit < 1 || digit > 9 || request->item != link_item(digit)) {
      ++e.wrong;
      continue;
    }
    ++e.matched;
    e.total.push_back(ms(request->t - r.arrived));
    if (const Send* s = send_in(window, beamhub::kEnter, r.arrived, limit)) {
      e.to_send.push_back(ms(micros(s->called) - r.arrived));
      e.send_to_request.push_back(ms(request->t - micros(s->called)));
      e.answer.push_back(ms(micros(s->returned) - micros(s->called)));
    }
    for (LONG x = 0; x < exchanged; ++x) {
      const int64_t start = micros(g_shared->exchanges[x].start);
      if (start >= r.arrived && start <= request->t) {
        e.connect_to_request.push_back(ms(request->t - start));
        break;
      }
    }
  }
}

std::string program_folder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, n < sizeof path ? n : 0);
  folder.resize(folder.find_last_of("\\/") + 1);
  return folder;
}

bool read_codes(Codes& codes) {
  static const char* const kNames[kEnterIndex + 1] = {"Button0", "Button1", "Button2", "Button3",
                                                      "Button4", "Button5", "Button6", "Button7",
                                                      "Button8", "Button9", "Enter"};
  char map[MAX_PATH];
  GetFullPathNameA("zk.rcb", sizeof map, map, nullptr);
  for (int b = 0; b <= kEnterIndex; ++b) {
    char value[64];
    GetPrivateProfileStringA("Mapping", kNames[b], "", value, sizeof value, map);
    std::string error;
    if (!vdrive::decode_mapping(value, codes[b], error)) return false;
  }
  return true;
}

bool complete(const EnterFigures& e) { return e.matched * 100 >= e.rounds * 95 && e.wrong == 0; }

void report(const Figures& f, bool client_clock, bool browser_clock) {
  std::printf("Enter to the browser under Wine: %d rounds, surfdeck bound to the test browser "
              "(%s), voice off\n", f.front.rounds, kService);
  std::printf("  QueryPerformanceCounter one clock: client %s, browser %s\n",
              client_clock ? "yes" : "NO", browser_clock ? "yes" : "NO");
  std::printf("  matched: delivery %d of %d presses (%d to another code); bare DDE %d of %d; Enters "
              "opening their link: client %d of %d (%d another), surfdeck %d of %d (%d another)\n",
              f.delivery_matched, f.delivery_presses, f.delivery_wrong, f.bare_rounds - f.bare_failed,
              f.bare_rounds, f.client.matched, f.client.rounds, f.client.wrong, f.front.matched,
              f.front.rounds, f.front.wrong);
  std::printf("  %-58s %5s %7s %7s %7s\n", "ms", "n", "p50", "p99", "max");
  print_row("library delivery: tick start to the client's window", f.delivery);
  print_row("  tick start to SendMessageA (read, 10 ms wait, decode)", f.delivery_to_send);
  print_row("  SendMessageA to the client's window procedure", f.send_to_client);
  print_row("bare DDE: before connect to the request at the browser", f.bare_arrival);
  print_row("  connect, request, disconnect (round trip)", f.bare_round_trip);
  print_row("front end: tick start to WWW_OpenURL at the browser", f.front.total);
  print_row("  tick start to SendMessageA", f.front.to_send);
  print_row("  SendMessageA to the request at the browser", f.front.send_to_request);
  print_row("  surfdeck's whole answer (SendMessageA returned)", f.front.answer);
  print_row("client's exchange on Enter: tick start to the request", f.client.total);
  print_row("  SendMessageA to the request at the browser", f.client.send_to_request);
  print_row("  its connect to the request (in the library's message)", f.client.connect_to_request);
  print_row("  the client's whole answer (SendMessageA returned)", f.client.answer);
  if (f.delivery.empty() || f.bare_arrival.empty() || f.front.total.empty()) {
    std::printf("  front end adds ? ms at p50 over delivery + bare DDE (goal under 1 ms): NOT measured\n");
    return;
  }
  const double base = p50(f.delivery) + p50(f.bare_arrival);
  const double added = p50(f.front.total) - base;
  std::printf("  front end adds %.2f ms at p50 over delivery + bare DDE (%.2f + %.2f = %.2f ms) "
              "(goal under 1 ms): %s\n",
              added, p50(f.delivery), p50(f.bare_arrival), base, added < 1.0 ? "met" : "NOT met");
  if (!f.client.total.empty())
    std::printf("  surfdeck's own part: %.2f ms at p50 over the client making the same exchange on "
                "Enter (%.2f ms)\n",
                p50(f.front.total) - p50(f.client.total), p50(f.client.total));
}

int run(int rounds) {
  QueryPerformanceFrequency(&g_frequency);
  g_main_thread = GetCurrentThreadId();
  open_job();

  Codes codes;
  if (!read_codes(codes)) return fail("no zk.rcb with the digits and Enter here (run from the suite folder)");
  if (FindWindowA(kBrowserFrameClass, nullptr)) return fail("a browser window (IEFrame) is already open");
  if (FindWindowA(surfdeck::kFrameClass, nullptr)) return fail("surfdeck is already running");

  g_shared = open_shared(true);
  if (!g_shared) return fail("no shared memory");
  std::memset(g_shared, 0, sizeof *g_shared);

  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "halvo-enter-bench\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string bookmarks = folder + "bookmarks.htm";
  BrowserLog log(folder + "browser.log");
  DeleteFileA(log.path().c_str());
  if (!write_file(bookmarks, bookmark_page())) return fail("the bookmark page could not be written");

  vdrive::Store store = {};
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&store, &error);
  if (!state) return fail(vdrive::store_error_text(error));
  vdrive::reset(*state);
  vdrive::store_unlock(&store);

  const Voice old_voice = voice_off();
  if (!use_bench_settings(bookmarks)) {
    restore_voice(old_voice);
    return fail("the appBrowser settings could not be set aside");
  }

  Figures f;
  const char* failure = nullptr;
  bool client_clock = false, browser_clock = false;
  const std::string programs = program_folder();
  Child browser_process, client_process, surfdeck_process;
  HWND surfdeck_frame = nullptr;
  HMODULE lib = nullptr;
  do {
    // The browser first: its start line tells whether its clock is ours.
    const int64_t before = micros(now());
    if (!browser_process.start("\"" + programs + "halvo-browser.exe\" /service:" + kService +
                                   " /log:\"" + log.path() + "\"",
                               programs.c_str())) {
      failure = "halvo-browser.exe could not be started";
      break;
    }
    int64_t started = -1;
    if (!pump_until([&] {
          bool ready = false;
          for (const browser::LogEntry& e : log.read()) {
            if (e.event == "start") started = e.number("t");
            if (e.event == "register" && e.has("result", "ok")) ready = true;
          }
          return ready;
        }, kStartMs)) {
      failure = "the test browser did not register its service";
      break;
    }
    browser_clock = before <= started && started <= micros(now());

    lib = LoadLibraryA("beamhub.dll");
    if (!lib) {
      failure = "beamhub.dll could not be loaded";
      break;
    }
    HWND poll = FindWindowA("MmcdPollClass", nullptr);
    DWORD owner = 0;
    if (poll) GetWindowThreadProcessId(poll, &owner);
    if (owner != GetCurrentProcessId()) {
      failure = "another process already polls (the library is loaded elsewhere)";
      break;
    }
    g_mmcd_message = RegisterWindowMessageA(MMCD_MESSAGE_NAME);
    g_real_send = reinterpret_cast<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>(
        wrap_import(lib, "user32.dll", "SendMessageA", reinterpret_cast<void*>(&timed_send)));
    if (!g_real_send) {
      failure = "the library's SendMessageA import was not found";
      break;
    }
    auto call_next_app = reinterpret_cast<decltype(&mmcdCallNextApp)>(
        reinterpret_cast<void*>(GetProcAddress(lib, "mmcdCallNextApp")));

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    if (!client_process.start("\"" + std::string(self) + "\" --client", nullptr) ||
        !pump_until([] { return g_shared->ready > 0; }, kStartMs)) {
      failure = "the client did not register";
      break;
    }
    HWND client = reinterpret_cast<HWND>(g_shared->window);
    // The client's reading lies inside the interval around the message that asks for it.
    const int64_t asked = now();
    SendMessageA(client, kClockProbe, 0, 0);
    client_clock = asked <= g_shared->probe && g_shared->probe <= now();

    // surfdeck, bound to the browser (its bookmark page opened), registered
    // behind the client, which takes the codes until it leaves the library.
    // Every phase runs with the same processes and windows.
    log.mark();
    if (!surfdeck_process.start("\"" + programs + "surfdeck.exe\"", programs.c_str())) {
      failure = "surfdeck.exe could not be started";
      break;
    }
    if (!pump_until([&] {
          for (const Request& q : opened(log.read()))
            if (q.item.find("file:") != std::string::npos) return true;
          return false;
        }, kStartMs)) {
      failure = "surfdeck did not open the bookmark page in the browser (a message box?)";
      break;
    }
    if (!pump_until([&] {
          surfdeck_frame = window_of(surfdeck::kFrameClass, surfdeck_process.pid());
          if (!surfdeck_frame || !call_next_app) return false;
          g_sends.clear();
          call_next_app(beamhub::kEvNothing, nullptr);
          for (const Send& s : g_sends)
            if (s.window == surfdeck_frame) return true;
          return false;
        }, kStartMs)) {
      failure = "surfdeck did not register with the library";
      break;
    }

    // surfdeck moves itself first when it gets the focus.
    SendMessageA(client, kFirstApp, 0, 0);
    // The first ticks (the drive's first report) pass before anything is timed.
    pump(1000);
    // The phases take turns in blocks, so that a busy spell of the machine
    // falls on all of them alike.
    for (int done = 0; done < rounds && !failure; done += kBlock) {
      const int n = std::min(kBlock, rounds - done);
      std::fprintf(stderr, "enter bench: rounds %d-%d of %d (delivery, bare DDE, client, surfdeck)\n",
                   done + 1, done + n, rounds);
      measure_delivery(store, codes, n, client, f);
      measure_bare_dde(log, n, f);
      InterlockedExchange(&g_shared->exchange_count, 0);
      InterlockedExchange(&g_shared->dde_on_enter, 1);
      measure_enters(store, codes, log, n, client, f.client);
      InterlockedExchange(&g_shared->dde_on_enter, 0);
      SendMessageA(client, kUnregister, 0, 0);
      measure_enters(store, codes, log, n, surfdeck_frame, f.front);
      if (!SendMessageA(client, kRegister, 0, 0)) failure = "the client could not register again";
    }
  } while (false);

  surfdeck_process.end(surfdeck_frame);
  client_process.end(reinterpret_cast<HWND>(g_shared->window));
  browser_process.end(window_of(kBrowserFrameClass, browser_process.pid()));
  if (lib) FreeLibrary(lib);
  restore_settings();
  restore_voice(old_voice);
  DeleteFileA(bookmarks.c_str());
  DeleteFileA(log.path().c_str());
  RemoveDirectoryA(folder.c_str());
  state = vdrive::store_lock(&store, &error);
  if (state) {
    vdrive::reset(*state);
    vdrive::store_unlock(&store);
  }
  if (failure) return fail(failure);

  report(f, client_clock, browser_clock);
  const bool measured = f.delivery_matched * 100 >= f.delivery_presses * 95 && f.delivery_wrong == 0 &&
                        f.bare_failed * 20 <= f.bare_rounds && complete(f.client) && complete(f.front);
  return measured && client_clock && browser_clock ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--client") == 0) return run_client();
  int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  if (rounds <= 0 || rounds > kMaxReceipts / 2) rounds = 200;
  return run(rounds);
}
