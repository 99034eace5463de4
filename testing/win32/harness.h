// What every Win32 test executable gets from the shared main it links
// (halvo_itest_main): the executable runs in a job, so every process a test
// starts, with its descendants, ends with it; a process still running when
// its test ends fails the test and is ended; a message box shown by such a
// process is answered with Cancel and fails the test at once, unless the
// test holds an ExpectedBoxes.
#pragma once

#include <windows.h>

#include <string>

namespace itest {

// A message box of a process a test started.
struct FoundBox {
  HWND window = NULL;
  DWORD pid = 0;
  std::string image;  // its process's program file, e.g. "mmcdclient.exe"
  std::string caption;
  std::string text;   // the message: the box's static control 0xFFFF
};

// Presses one of a box's buttons (IDOK, IDCANCEL, IDYES, ...).
bool answer_box(HWND box, int button);

// Reports the stray boxes found since the last look as failures of the
// running test. True when the test has had any, now or before: a waiting
// loop calls it and stops early. Main thread only.
bool check_stray_boxes();

// While one lives, boxes are handed to the test instead of failing it.
class ExpectedBoxes {
 public:
  ExpectedBoxes();
  // Boxes handed over that nobody took are answered with Cancel.
  ~ExpectedBoxes();
  ExpectedBoxes(const ExpectedBoxes&) = delete;
  ExpectedBoxes& operator=(const ExpectedBoxes&) = delete;

  // The next box, unanswered; false when none came within timeout_ms.
  // Messages sent to this thread's windows are served meanwhile, so that a
  // program sending to them before it shows its box is not held up.
  bool next(FoundBox& box, DWORD timeout_ms);
};

// WaitForSingleObject that gives up (WAIT_TIMEOUT) as soon as the test has
// had a stray box.
DWORD wait_for_object(HANDLE object, DWORD timeout_ms);

// Reads a child's output pipe until its writers have all closed it: false
// when timeout_ms passed first or the test had a stray box.
bool read_until_closed(HANDLE pipe, std::string& text, DWORD timeout_ms);

// The next line from a child's output pipe, without its end of line; pending
// holds what was read past it. False when the pipe has ended, timeout_ms
// passed first or the test had a stray box.
bool read_pipe_line(HANDLE pipe, std::string& pending, std::string& line, DWORD timeout_ms);

// The folder of the running program, with a trailing backslash.
std::string program_folder();

// A test executable its own tests start as a helper process, with flag as
// its first argument (e.g. "--child-send"), runs main instead of the tests.
// Declared as an object at namespace scope of the test's source file.
typedef int (*ChildMain)(int argc, char** argv);
class ChildMode {
 public:
  ChildMode(const char* flag, ChildMain main);
};

// The shared main (itest_main.cpp): a child mode named by the first
// argument, or else the tests, in a job and watched for boxes.
int run_tests(int argc, char** argv);

}  // namespace itest
