// mmcdclient: a small program that uses the remote when beamhub.dll is
// there and runs without it when it is not.
//
// It reads commands from standard input, one a line, and prints one result
// line for each. Every remote message its window receives is printed at
// once as "msg <code> <name> <pid> ... t=<counter>"; the counter is the
// performance counter, the same clock in every process, so lines printed by
// several programs can be put in order.
//
//   register | capture | unregister | release | first | lasterror
//   handle <hex>                  use another registration's handle
//   answer <n>                    what the window returns (2: pass it on)
//   reply <value-hex> <text>      answer code 1091 with a value and a payload
//   call <code>                   offer a code to the registered programs
//   command <class-hex> <item> <value-hex> <text|-> [<buffer-size>]
//   getcap <id-hex> [p2] | setcap <id-hex> <p1> [p2]
//   churn <ms>                    register, move to the front and unregister over
//                                 and over for that long, answering codes meanwhile
//   show <x> <y> <w> <h>          show the window there, in front, with the focus
//   input                         keys and clicks the window got since the last "input"
//   echo <text> | quit
//
// Both "quit" and the end of the input close the window, which leaves the
// remote; "quit" also unloads the library, while at the end of the input
// the program returns with it loaded, as many programs do.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "beamhub/codes.h"
#include "beamhub/mmcd.h"
#include "beamhub/win32/beamhub.h"

#define WM_INPUTLINE (WM_APP + 1)  // lParam: one line of input, or NULL at its end

static const char kClassName[] = "MmcdClientClass";

// The library's functions, found by name.
static struct {
  HMODULE library;
  decltype(&mmcdGetLastError) LastError;
  decltype(&mmcdRegisterApp) RegisterApp;
  decltype(&mmcdUnregisterApp) UnregisterApp;
  decltype(&mmcdSetFirstApp) SetFirstApp;
  decltype(&mmcdGetCap) GetCap;
  decltype(&mmcdSetCap) SetCap;
  decltype(&mmcdSetCapture) SetCapture;
  decltype(&mmcdReleaseCapture) ReleaseCapture;
  decltype(&mmcdCallNextApp) CallNextApp;
} Remote;

static HWND g_window;
static DWORD g_ui_thread;
static UINT g_mmcd_msg;         // "MMCD_MSG", 0 while not registered
static DWORD g_own_handle;      // this program's registration
static DWORD g_handle;          // handle used by first, unregister, getcap, setcap
static DWORD g_capture;         // capture handle while held
static LRESULT g_answer = 2;
static BOOL g_reply;            // answer 1091 with g_reply_value and g_reply_text
static DWORD g_reply_value;
static char g_reply_text[MMCD_CMD_BUFFER_SIZE - MMCD_CMD_HEADER_SIZE];
static char g_input[2048];      // "keydown:0d char:0d lbutton:10,20 ..." since the last "input"

static void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  putchar('\n');
  fflush(stdout);
}

template <typename F>
static BOOL Find(F& function, const char* name) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Remote.library, name)));
  return function != NULL;
}

static BOOL LoadRemote(void) {
  Remote.library = LoadLibraryA("beamhub.dll");
  if (!Remote.library) return FALSE;
  if (Find(Remote.LastError, "mmcdGetLastError") &&
      Find(Remote.RegisterApp, "mmcdRegisterApp") &&
      Find(Remote.UnregisterApp, "mmcdUnregisterApp") &&
      Find(Remote.SetFirstApp, "mmcdSetFirstApp") && Find(Remote.GetCap, "mmcdGetCap") &&
      Find(Remote.SetCap, "mmcdSetCap") && Find(Remote.SetCapture, "mmcdSetCapture") &&
      Find(Remote.ReleaseCapture, "mmcdReleaseCapture") &&
      Find(Remote.CallNextApp, "mmcdCallNextApp"))
    return TRUE;
  FreeLibrary(Remote.library);
  Remote.library = NULL;
  return FALSE;
}

static const char* CodeName(WPARAM code) {
  static const char* const kEvents[] = {
      "Rewinding", "Forwarding", "PrevTrackEvent", "NextTrackEvent", "DriveVolumeUp",
      "DriveVolumeDown", "Playing", "Paused", "Resumed", "Stopped", "TrayClosed",
      "TrayOpened", "Nothing", "UnknownCode", "SpecialMode", "Voice", "Event1089",
      "DiscPresent", "Command", "AutoInsertOff", "AnnounceTrack"};
  if (const char* name = beamhub::button_name(static_cast<uint32_t>(code))) return name;
  if (code >= beamhub::kEvRewinding && code <= beamhub::kEvAnnounceTrack)
    return kEvents[code - beamhub::kEvRewinding];
  return "Other";
}

// Printable text of a payload: up to its first NUL, other control bytes as '.'.
static void PayloadText(const BYTE* data, DWORD length, char* text, size_t size) {
  size_t n = 0;
  for (DWORD i = 0; data && i < length && data[i] && n + 1 < size; ++i)
    text[n++] = data[i] < 0x20 || data[i] > 0x7E ? '.' : static_cast<char>(data[i]);
  text[n] = '\0';
}

static LRESULT OnRemoteMessage(WPARAM code, LPARAM lparam) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const unsigned long pid = GetCurrentProcessId();
  const unsigned long long t = static_cast<unsigned long long>(now.QuadPart);
  if (code != beamhub::kEvCommand || !lparam) {
    if (!lparam) {
      Say("msg %u %s %lu t=%llu", static_cast<unsigned>(code), CodeName(code), pid, t);
      return g_answer;
    }
    // From the poll window lParam is the status record (from a program
    // offering a code on, the command buffer, read the same way).
    const MMCD_STATUS* st = reinterpret_cast<const MMCD_STATUS*>(lparam);
    char name[MMCD_NAME_SIZE + 1] = {};
    memcpy(name, st->name, MMCD_NAME_SIZE);
    Say("msg %u %s %lu status=%s value=%02x raw=%02x%02x%02x%02x%02x%02x disc=%u play=%u "
        "mute=%u shift=%u mouse=%u special=%u t=%llu",
        static_cast<unsigned>(code), CodeName(code), pid, name[0] ? name : "-", st->value,
        st->raw_code[0], st->raw_code[1], st->raw_code[2], st->raw_code[3], st->raw_code[4],
        st->raw_code[5], st->disc_type, st->play_state, st->mute, st->shift_lock, st->mouse_lock,
        st->special_mode, t);
    return g_answer;
  }
  // The command buffer: the request's 12-byte header, then its payload.
  BYTE* buffer = reinterpret_cast<BYTE*>(lparam);
  MMCD_CMD header;
  memcpy(&header, buffer, MMCD_CMD_HEADER_SIZE);
  Say("msg %u %s %lu class=%04x item=%u value=%08lx length=%lu t=%llu",
      static_cast<unsigned>(code), CodeName(code), pid, header.cmd_class, header.item,
      static_cast<unsigned long>(header.value), static_cast<unsigned long>(header.length), t);
  if (!g_reply) return g_answer;
  DWORD length = static_cast<DWORD>(strlen(g_reply_text));
  memcpy(buffer + 4, &g_reply_value, 4);
  memcpy(buffer + 8, &length, 4);
  memcpy(buffer + MMCD_CMD_HEADER_SIZE, g_reply_text, length);
  return 1;
}

static void NoteInput(const char* format, ...) {
  size_t used = strlen(g_input);
  if (used + 32 > sizeof g_input) return;
  if (used) g_input[used++] = ' ';
  va_list args;
  va_start(args, format);
  vsnprintf(g_input + used, sizeof g_input - used, format, args);
  va_end(args);
}

static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_mmcd_msg && message == g_mmcd_msg) return OnRemoteMessage(wparam, lparam);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      NoteInput("keydown:%02x", static_cast<unsigned>(wparam));
      break;
    case WM_CHAR:
      NoteInput("char:%02x", static_cast<unsigned>(wparam));
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      NoteInput("%s:%d,%d", message == WM_LBUTTONDOWN ? "lbutton" : "rbutton",
                static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      break;
    case WM_DESTROY:
      // A program leaves the remote before its window goes.
      if (g_capture) Remote.ReleaseCapture(g_capture);
      if (g_own_handle) Remote.UnregisterApp(g_own_handle);
      g_capture = g_own_handle = 0;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// ---- commands ----

static void PrintCap(DWORD status, DWORD id, const BYTE* p1, DWORD_PTR p2) {
  const char* text = reinterpret_cast<const char*>(p1);
  if (status != MMCD_OK) {
    Say("getcap status=%08lx", status);
  } else if (id == MMCD_CAP_DRIVE) {
    Say("getcap status=%08lx current=%s letters=%s", status, text, text + 32);
  } else if (id == MMCD_CAP_REMOTE_CONTROLLER) {
    Say("getcap status=%08lx text=%s", status, text);
  } else if (id == MMCD_CAP_BUTTON_MAP && p2 != 0) {
    // One entry (or the first of the whole map): flags, count, code bytes.
    Say("getcap status=%08lx entry=%02x %02x %02x%02x%02x%02x%02x%02x", status, p1[0], p1[1],
        p1[2], p1[3], p1[4], p1[5], p1[6], p1[7]);
  } else {
    DWORD value;
    memcpy(&value, p1, sizeof value);
    Say("getcap status=%08lx value=%08lx", status, value);
  }
}

static void GetCap(char* args) {
  static BYTE p1[MMCD_BUTTON_COUNT * MMCD_MAP_ENTRY_SIZE];
  char* end;
  DWORD id = strtoul(args, &end, 16);
  DWORD_PTR p2 = strtoul(end, NULL, 0);
  memset(p1, 0, sizeof p1);
  DWORD handle = g_handle ? g_handle : g_capture;
  // For the drive capability p1 holds the current drive and p2 the letters;
  // for the others p2 is a number (the button of 0x1006).
  void* second = id == MMCD_CAP_DRIVE ? p1 + 32 : reinterpret_cast<void*>(p2);
  DWORD status = Remote.GetCap(handle, id, p1, second);
  PrintCap(status, id, p1, p2);
}

static void SetCap(char* args) {
  char* end;
  DWORD id = strtoul(args, &end, 16);
  while (*end == ' ') ++end;
  DWORD_PTR p1;
  DWORD p2 = 0;
  if (id == MMCD_CAP_REMOTE_CONTROLLER) {
    p1 = reinterpret_cast<DWORD_PTR>(end);  // the rest of the line is the text
  } else {
    p1 = strtoul(end, &end, 0);
    p2 = strtoul(end, NULL, 0);
  }
  DWORD handle = g_handle ? g_handle : g_capture;
  Say("setcap status=%08lx", Remote.SetCap(handle, id, p1, p2));
}

static void Command(char* args) {
  static BYTE payload[MMCD_CMD_BUFFER_SIZE];
  char text[MMCD_CMD_BUFFER_SIZE];
  unsigned cmd_class = 0, item = 0, size = 0;
  unsigned long value = 0;
  int fields = sscanf(args, "%x %u %lx %1000s %u", &cmd_class, &item, &value, text, &size);
  if (fields < 4) {
    Say("error usage: command <class-hex> <item> <value-hex> <text|-> [<buffer-size>]");
    return;
  }
  if (strcmp(text, "-") == 0) text[0] = '\0';
  if (fields < 5) size = static_cast<unsigned>(strlen(text));
  if (size > sizeof payload) size = sizeof payload;
  memset(payload, 0, sizeof payload);
  memcpy(payload, text, strlen(text) < size ? strlen(text) : size);

  MMCD_CMD cmd = {};
  cmd.cmd_class = static_cast<WORD>(cmd_class);
  cmd.item = static_cast<WORD>(item);
  cmd.value = value;
  cmd.length = size;
  cmd.data = size ? payload : NULL;
  DWORD status = Remote.CallNextApp(beamhub::kEvCommand, &cmd);
  char shown[MMCD_CMD_BUFFER_SIZE];
  PayloadText(static_cast<BYTE*>(cmd.data), cmd.length < size ? cmd.length : size, shown,
              sizeof shown);
  Say("command status=%08lx class=%04x value=%08lx length=%lu payload=%s", status, cmd.cmd_class,
      static_cast<unsigned long>(cmd.value), static_cast<unsigned long>(cmd.length), shown);
}

// Changes the table as fast as it can, as programs starting and ending
// would; every call must succeed while four places are enough for all.
static void Churn(const char* args) {
  const DWORD duration = strtoul(args, NULL, 0);
  unsigned long rounds = 0, busy = 0, lost = 0;
  const DWORD begin = GetTickCount();
  while (GetTickCount() - begin < duration) {
    WORD message = 0;
    DWORD handle = 0;
    ++rounds;
    if (Remote.RegisterApp(g_window, &message, &handle) != MMCD_OK) {
      ++busy;
    } else {
      g_mmcd_msg = message;
      if (Remote.SetFirstApp(handle) != MMCD_OK) ++lost;
      if (Remote.UnregisterApp(handle) != MMCD_OK) ++lost;
    }
    // Codes offered to this window meanwhile are answered here.
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  Say("churn rounds=%lu busy=%lu lost=%lu", rounds, busy, lost);
}

static void Acquire(const char* what, BOOL capture) {
  WORD message = 0;
  DWORD handle = 0;
  DWORD status = capture ? Remote.SetCapture(g_window, &message, &handle)
                         : Remote.RegisterApp(g_window, &message, &handle);
  if (status == MMCD_OK) {
    g_mmcd_msg = message;
    if (capture) {
      g_capture = handle;
    } else {
      g_own_handle = g_handle = handle;
    }
  }
  Say("%s status=%08lx handle=%08lx message=%u", what, status, handle, message);
}

// Runs one line; FALSE when the program is to end.
static BOOL RunLine(char* line) {
  char* args = line + strcspn(line, " ");
  if (*args) *args++ = '\0';

  if (strcmp(line, "quit") == 0) {
    Say("bye");
    return FALSE;
  }
  if (strcmp(line, "echo") == 0) {
    Say("echo %s", args);
  } else if (strcmp(line, "answer") == 0) {
    g_answer = strtol(args, NULL, 0);
    g_reply = FALSE;
    Say("answer %ld", static_cast<long>(g_answer));
  } else if (strcmp(line, "show") == 0) {
    int x = 0, y = 0, w = 0, h = 0;
    sscanf(args, "%d %d %d %d", &x, &y, &w, &h);
    SetWindowPos(g_window, HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
    SetForegroundWindow(g_window);
    SetFocus(g_window);
    Say("show foreground=%d focus=%d", GetForegroundWindow() == g_window, GetFocus() == g_window);
  } else if (strcmp(line, "input") == 0) {
    Say("input %s", g_input);
    g_input[0] = '\0';
  } else if (!Remote.library) {
    Say("noremote");
  } else if (strcmp(line, "register") == 0) {
    Acquire("register", FALSE);
  } else if (strcmp(line, "capture") == 0) {
    Acquire("capture", TRUE);
  } else if (strcmp(line, "unregister") == 0) {
    DWORD status = Remote.UnregisterApp(g_handle);
    if (status == MMCD_OK && g_handle == g_own_handle) g_own_handle = 0;
    Say("unregister status=%08lx", status);
  } else if (strcmp(line, "release") == 0) {
    DWORD status = Remote.ReleaseCapture(g_capture);
    if (status == MMCD_OK) g_capture = 0;
    Say("release status=%08lx", status);
  } else if (strcmp(line, "first") == 0) {
    Say("first status=%08lx", Remote.SetFirstApp(g_handle));
  } else if (strcmp(line, "handle") == 0) {
    g_handle = strtoul(args, NULL, 16);
    Say("handle %08lx", g_handle);
  } else if (strcmp(line, "reply") == 0) {
    char* text;
    g_reply_value = strtoul(args, &text, 16);
    while (*text == ' ') ++text;
    lstrcpynA(g_reply_text, text, sizeof g_reply_text);
    g_reply = TRUE;
    Say("reply %08lx %s", g_reply_value, g_reply_text);
  } else if (strcmp(line, "call") == 0) {
    Say("call result=%08lx", Remote.CallNextApp(strtoul(args, NULL, 0), NULL));
  } else if (strcmp(line, "churn") == 0) {
    Churn(args);
  } else if (strcmp(line, "command") == 0) {
    Command(args);
  } else if (strcmp(line, "getcap") == 0) {
    GetCap(args);
  } else if (strcmp(line, "setcap") == 0) {
    SetCap(args);
  } else if (strcmp(line, "lasterror") == 0) {
    Say("lasterror %08lx", Remote.LastError());
  } else {
    Say("error unknown command: %s", line);
  }
  return TRUE;
}

// ---- standard input ----

static void PostLine(const char* text, size_t length) {
  char* line = static_cast<char*>(malloc(length + 1));
  memcpy(line, text, length);
  line[length] = '\0';
  if (length && line[length - 1] == '\r') line[length - 1] = '\0';
  PostThreadMessageA(g_ui_thread, WM_INPUTLINE, 0, reinterpret_cast<LPARAM>(line));
}

// Reads standard input with ReadFile, not the C library: a thread blocked
// in the library's input would hold a lock that the exit path waits for.
static DWORD WINAPI ReadInput(LPVOID) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  static char pending[4096];
  size_t used = 0;
  DWORD got;
  while (ReadFile(input, pending + used, static_cast<DWORD>(sizeof pending - used), &got, NULL) &&
         got > 0) {
    used += got;
    char* start = pending;
    char* newline;
    while ((newline = static_cast<char*>(memchr(start, '\n', used - (start - pending))))) {
      PostLine(start, newline - start);
      start = newline + 1;
    }
    used -= start - pending;
    memmove(pending, start, used);
    if (used == sizeof pending) {  // a line too long for the buffer: take it as it is
      PostLine(pending, used);
      used = 0;
    }
  }
  if (used) PostLine(pending, used);
  PostThreadMessageA(g_ui_thread, WM_INPUTLINE, 0, 0);
  return 0;
}

int main(void) {
  _setmode(_fileno(stdout), _O_BINARY);
  HINSTANCE instance = GetModuleHandleA(NULL);
  BOOL remote = LoadRemote();

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) {
    Say("error RegisterClass %lu", GetLastError());
    return 1;
  }
  g_window = CreateWindowExA(0, kClassName, "mmcdclient", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 200, 100, NULL, NULL, instance, NULL);
  if (!g_window) {
    Say("error CreateWindow %lu", GetLastError());
    return 1;
  }
  // The window exists, so this thread has its queue before any line is posted.
  g_ui_thread = GetCurrentThreadId();
  HANDLE reader = CreateThread(NULL, 0, ReadInput, NULL, 0, NULL);
  if (!reader) {
    Say("error CreateThread %lu", GetLastError());
    return 1;
  }
  CloseHandle(reader);

  if (remote) {
    Say("ready %lu %08lx", GetCurrentProcessId(),
        static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(g_window)));
  } else {
    Say("noremote");
  }

  MSG msg;
  BOOL unload = FALSE;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    if (msg.hwnd == NULL && msg.message == WM_INPUTLINE) {
      // Lines that come after the window has gone are not run.
      char* line = reinterpret_cast<char*>(msg.lParam);
      if (g_window && (!line || !RunLine(line))) {
        unload = line != NULL;
        DestroyWindow(g_window);
        g_window = NULL;
      }
      free(line);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (unload && Remote.library) FreeLibrary(Remote.library);
  return 0;
}
