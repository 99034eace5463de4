// Drives programs through their windows, as a user would: finds windows,
// works their controls with window messages and reads them back, answers
// message boxes, and places the stand-in programs (testing/win32/standins)
// where a test needs them. Every wait has a deadline and stops early when
// the test has had a stray message box.
//
// Controls whose messages take pointers (status bar texts, tree and list
// items) are read and written through a RemoteBuffer placed in the
// control's process. Test and program have the same bitness, so the
// structures are the same on both sides.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/win32/harness.h"

namespace itest {

const DWORD kWindowTimeoutMs = 10000;
const DWORD kRunTimeoutMs = 60000;
// Exit codes run_program reports for a program that did not run to its end.
const DWORD kNotStarted = 0xFFFFFFFF;
const DWORD kWaitFailed = 0xFFFFFFFE;

// Calls condition about every 20 ms until it holds: false at the deadline
// or as soon as the test has had a stray box.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms);
// wait_until with the programs' tests' deadline.
constexpr DWORD kEventuallyMs = 15000;
inline bool eventually(const std::function<bool()>& condition) {
  return wait_until(condition, kEventuallyMs);
}

// ---- programs ----

// Starts a command line (output: its standard output and error, or NULL
// to leave them be; folder: its current folder, NULL for this one's).
HANDLE start_program(const std::string& command_line, HANDLE output, const char* folder = NULL);
// Waits for a process started so and closes its handle: its exit code, or
// kNotStarted when it did not end in time (it is ended), kWaitFailed.
DWORD finish_program(HANDLE process);
// Runs a program of the test's folder to its end, its output added to
// *output.
DWORD run_program(const std::string& arguments, const char* program, std::string* output,
                  const char* folder = NULL);

// A program a test started and works with while it runs; ended when the
// object goes if it still runs.
class Process {
 public:
  Process() = default;
  ~Process() { end(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool start(const std::string& command_line, const char* folder = NULL);
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }
  bool running() const;
  // True once it has ended within timeout_ms, with its exit code.
  bool wait(DWORD timeout_ms, DWORD* exit_code = NULL);
  // Closes its visible top-level windows (WM_CLOSE), and ends it if it is still
  // there after timeout_ms; true when it ended of itself.
  bool close(DWORD timeout_ms = 5000);
  // Ends it at once.
  void end();

 private:
  HANDLE process_ = NULL;
  DWORD pid_ = 0;
};

// ---- windows ----

// Top-level windows, visible or not, of this class and title (NULL: any)
// and of process pid (0: any).
std::vector<HWND> find_windows(const char* class_name, const char* title, DWORD pid = 0);
HWND find_window(const char* class_name, const char* title, DWORD pid = 0);
// The first such window that is visible, or NULL after timeout_ms.
HWND wait_for_window(const char* class_name, const char* title, DWORD timeout_ms,
                     DWORD pid = 0);
// True once the window is destroyed or hidden.
bool wait_for_window_gone(HWND window, DWORD timeout_ms);

std::string class_of(HWND window);
// WM_GETTEXT / WM_SETTEXT, marshalled across processes by the system.
std::string text_of(HWND window);
bool set_text(HWND window, const std::string& text);
// A child with this control id, else a descendant, searched depth first
// (a property sheet's controls are children of its pages).
HWND control(HWND parent, int id);
bool is_enabled(HWND window);
bool is_visible(HWND window);
RECT window_rect(HWND window);

// The commands a user gives are posted, not sent: a handler that shows a
// modal box would otherwise hold the test until the box is answered.
// WM_COMMAND with BN_CLICKED and the button's window, as a click sends.
bool click(HWND dialog, int id);
// WM_COMMAND of a menu item or accelerator.
bool post_command(HWND window, int id);
// BM_GETCHECK == BST_CHECKED.
bool is_checked(HWND button);
// Sets a check box and tells its dialog, as a click would.
bool set_check(HWND dialog, int id, bool checked);

// ---- combo boxes ----
std::vector<std::string> combo_items(HWND combo);
int combo_selection(HWND combo);  // CB_ERR (-1) when none
// Selects an item and tells the dialog (CBN_SELCHANGE).
bool select_combo(HWND dialog, int id, int index);

// ---- property sheets ----
// PSM_SETCURSEL by index: the sheet switches pages as a click on its tab does.
bool select_page(HWND sheet, int index);
HWND current_page(HWND sheet);  // PSM_GETCURRENTPAGEHWND
int current_page_index(HWND sheet);  // -1 when none

// ---- memory in another process ----

// A buffer in the process of a window, for messages whose lParam points at
// a structure that itself may point at a text: both go in the buffer.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != NULL; }
  // An address in that process, offset bytes into the buffer, as it goes
  // into the message or into a structure's text pointer.
  LPARAM at(size_t offset = 0) const;
  bool write(const void* bytes, size_t size, size_t offset = 0);
  bool read(void* bytes, size_t size, size_t offset = 0) const;
  // A zero-ended text of at most max chars.
  std::string read_text(size_t offset, size_t max) const;

 private:
  HANDLE process_ = NULL;
  char* address_ = NULL;
  size_t size_ = 0;
};

// ---- tree views ----
struct TreeItem {
  HTREEITEM handle = NULL;
  int depth = 0;  // 0 for the roots
  std::string text;
  int image = -1;
  int selected_image = -1;
};
// Every item, depth first, in the order shown when all is expanded.
std::vector<TreeItem> tree_items(HWND tree);
// The first item with this text at this depth (-1: any), or NULL.
HTREEITEM tree_find(HWND tree, const std::string& text, int depth = -1);
HTREEITEM tree_selection(HWND tree);
// TVM_SELECTITEM TVGN_CARET: the parent hears TVN_SELCHANGED as on a click.
bool tree_select(HWND tree, HTREEITEM item);

// ---- list views ----
int list_count(HWND list);
std::string list_text(HWND list, int item, int subitem = 0);
// One column's texts, top to bottom.
std::vector<std::string> list_column(HWND list, int subitem = 0);
UINT list_state(HWND list, int item, UINT mask = LVIS_SELECTED | LVIS_FOCUSED);
// The first selected item, -1 when none.
int list_selection(HWND list);
// This item alone selected and focused, as a click leaves it; the parent
// hears LVN_ITEMCHANGED.
bool list_select(HWND list, int item);

// ---- status bars ----
// The right edges of its parts (-1: to the end).
std::vector<int> status_parts(HWND bar);
// A part's text; an owner-drawn part has none to give, and gives "".
std::string status_text(HWND bar, int part);
bool status_owner_drawn(HWND bar, int part);
// The data an owner-drawn part was given (SB_SETTEXT's lParam), such as
// the number of the bitmap it draws.
LRESULT status_data(HWND bar, int part);

// ---- the screen ----

// What the screen shows in a rectangle of it (screen coordinates), row by
// row from the top; empty when the screen cannot be read. Under Wine's X11
// driver this is the X screen, other windows in front included.
std::vector<COLORREF> screen_pixels(const RECT& area);

// ---- message boxes ----

// Takes the next box within timeout_ms and presses button on it when its
// caption and text are these (text NULL: any text). A box that differs is
// answered with Cancel and fails the check. Needs an ExpectedBoxes scope.
// Never press OK of a box whose OK restarts the machine (ExitWindowsEx
// ends every program of the prefix).
::testing::AssertionResult answer_expected_box(ExpectedBoxes& boxes, const std::string& caption,
                                               const char* text, int button,
                                               DWORD timeout_ms = kWindowTimeoutMs,
                                               FoundBox* found = NULL);

// ---- folders, logs and stand-ins ----

// A folder of the test's own under the temporary folder, made empty, and
// removed with what is in it when the object goes.
class TestFolder {
 public:
  explicit TestFolder(const std::string& name);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  bool ok() const { return ok_; }
  // With a trailing backslash.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool ok_ = false;
};

// The stand-ins, built into the test folder's "standins" folder (kept out
// of the suite folder). A test copies one where it needs it under the name
// it must have, in a folder of its own (TestFolder):
//
// kRecorder, e.g. as player.exe: appends "started <its command line>" to
// "<its own path>.log" (player.exe.log beside it), shows a top-level window
// (class kRecorderClass) titled with its file name without ".exe", logs
// "activated" and "focused" each time that window gains them, and stays up
// until it is closed.
//
// kHelpViewer, as "winhlp32.exe": what WinHelpA reaches. Wine's WinHelpA
// sends WM_COPYDATA to the window of class "MS_WINHELP", and when there is
// none runs "winhlp32.exe -x", found in the caller's program folder, then
// its current folder, then the system folders. So a test copies it as
// winhlp32.exe into the current folder it starts the program in, and the
// prefix's own viewer is never replaced. It logs one line per request,
// "command=<n> data=<n> file=<file>" (with " text=<string>" for requests
// that carry one) to winhlp32.exe.log, answers as the viewer does, and ends
// at HELP_QUIT or WM_CLOSE: a test ends it before it ends.
extern const char kRecorder[];
extern const char kRecorderClass[];
extern const char kHelpViewer[];
extern const char kHelpViewerClass[];
// Copies a stand-in to path (its folder must exist).
bool place_standin(const char* standin, const std::string& path);

// The lines of a text file, without their ends; empty when it is absent.
std::vector<std::string> read_lines(const std::string& file);
// True once the file holds at least count lines.
bool wait_for_lines(const std::string& file, size_t count, DWORD timeout_ms);
// The command lines a recorder placed at program_path was started with.
std::vector<std::string> recorded_starts(const std::string& program_path);

struct HelpRequest {
  UINT command = 0;
  DWORD data = 0;
  std::string file;
  std::string text;
};
// The requests the help stand-in placed at viewer_path has logged.
std::vector<HelpRequest> help_requests(const std::string& viewer_path);

}  // namespace itest
