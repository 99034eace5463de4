// The shared main of the Win32 test executables, its check after every
// test, and what tests call to see stray boxes early or to expect boxes.
#include "testing/win32/harness.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/win32/box_watcher.h"
#include "testing/win32/test_job.h"

namespace itest {
namespace {

const DWORD kLeftoverExitTimeoutMs = 5000;
const UINT kLeftoverExitCode = 1;
// A leftover may start another process before it is ended.
const int kLeftoverRounds = 5;

BoxWatcher* g_watcher = NULL;
bool g_stray_this_test = false;

struct Mode {
  const char* flag;
  ChildMain main;
};

std::vector<Mode>& child_modes() {
  static std::vector<Mode> modes;
  return modes;
}

// A failure of the running test, placed at the test's definition.
void add_test_failure(const std::string& message) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (test)
    ADD_FAILURE_AT(test->file(), test->line()) << message;
  else
    ADD_FAILURE() << message;
}

// Wine's own processes that a test can start without meaning to: the
// desktop's, if it was not running when a child made the first window, and
// a console's host. They are not the test's to end.
bool is_wine_helper(DWORD pid, const std::string& image) {
  DWORD desktop = 0;
  GetWindowThreadProcessId(GetDesktopWindow(), &desktop);
  return pid == desktop || lstrcmpiA(image.c_str(), "conhost.exe") == 0;
}

// After each test, whose fixture and with it its own cleanup are gone by
// now: boxes not yet reported, then every process of the job still
// running. Either fails the test and the executable's exit code.
class TestEndChecks : public ::testing::EmptyTestEventListener {
 public:
  TestEndChecks(const TestJob& job, BoxWatcher& watcher) : job_(job), watcher_(watcher) {}

  bool found_any() const { return found_any_; }

  void OnTestStart(const ::testing::TestInfo&) override { g_stray_this_test = false; }

  // GoogleTest calls the end of a test on listeners last added first: the
  // failures added here are printed with the test's result, and count.
  void OnTestEnd(const ::testing::TestInfo& test) override {
    watcher_.scan();
    if (check_stray_boxes()) found_any_ = true;
    const std::string name = std::string(test.test_suite_name()) + "." + test.name();
    for (int round = 0; round < kLeftoverRounds; ++round) {
      std::vector<DWORD> left;
      for (DWORD pid : job_.processes())
        if (!is_wine_helper(pid, image_name(pid))) left.push_back(pid);
      if (left.empty()) break;
      for (DWORD pid : left) end_leftover(name, pid);
    }
  }

 private:
  void end_leftover(const std::string& test, DWORD pid) {
    const std::string image = image_name(pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return;  // gone since the list was taken
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      CloseHandle(process);
      return;
    }
    TerminateProcess(process, kLeftoverExitCode);
    const bool ended = WaitForSingleObject(process, kLeftoverExitTimeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    found_any_ = true;
    add_test_failure("leftover process: " + test + " left " + image + " (pid " +
                     std::to_string(pid) + ") running; " +
                     (ended ? "ended it" : "could not end it"));
  }

  const TestJob& job_;
  BoxWatcher& watcher_;
  bool found_any_ = false;
};

}  // namespace

int run_tests(int argc, char** argv) {
  if (argc >= 2)
    for (const Mode& mode : child_modes())
      if (strcmp(argv[1], mode.flag) == 0) return mode.main(argc, argv);

  ::testing::InitGoogleTest(&argc, argv);
  // Wine starts the desktop's process for the first window anyone makes, as
  // a child of that process. Made from here, before the job, it stays out.
  GetDesktopWindow();
  TestJob job;
  if (!job.open()) {
    fprintf(stderr, "itest: cannot put the tests in a job (error %lu)\n", GetLastError());
    return 2;
  }
  BoxWatcher watcher(job);
  if (!watcher.start()) {
    fprintf(stderr, "itest: cannot start the message box watcher (error %lu)\n", GetLastError());
    return 2;
  }
  g_watcher = &watcher;
  ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
  TestEndChecks* checks = new TestEndChecks(job, watcher);
  listeners.Append(checks);

  int result = RUN_ALL_TESTS();
  if (checks->found_any()) result = 1;

  listeners.Release(checks);
  delete checks;
  g_watcher = NULL;
  watcher.stop();
  return result;
}

std::string program_folder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  const std::string file(path, length);
  return file.substr(0, file.find_last_of('\\') + 1);
}

bool check_stray_boxes() {
  if (!g_watcher) return false;
  for (const FoundBox& box : g_watcher->take_strays()) {
    g_stray_this_test = true;
    add_test_failure("stray message box of " + box.image + " (pid " + std::to_string(box.pid) +
                     "), caption \"" + box.caption + "\", text \"" + box.text +
                     "\": answered with Cancel");
  }
  return g_stray_this_test;
}

ExpectedBoxes::ExpectedBoxes() {
  if (g_watcher) g_watcher->begin_expecting();
}

ExpectedBoxes::~ExpectedBoxes() {
  if (!g_watcher) return;
  for (const FoundBox& box : g_watcher->end_expecting()) answer_box(box.window, IDCANCEL);
}

bool ExpectedBoxes::next(FoundBox& box, DWORD timeout_ms) {
  if (!g_watcher) return false;
  const DWORD begin = GetTickCount();
  for (;;) {
    if (g_watcher->take_expected(box)) return true;
    const DWORD waited = GetTickCount() - begin;
    if (waited >= timeout_ms) return false;
    HANDLE handed = g_watcher->handed_event();
    if (MsgWaitForMultipleObjects(1, &handed, FALSE, timeout_ms - waited, QS_SENDMESSAGE) ==
        WAIT_OBJECT_0 + 1) {
      MSG message;
      PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

DWORD wait_for_object(HANDLE object, DWORD timeout_ms) {
  if (!g_watcher) return WaitForSingleObject(object, timeout_ms);
  if (check_stray_boxes()) return WaitForSingleObject(object, 0);
  HANDLE handles[2] = {object, g_watcher->stray_event()};
  const DWORD got = WaitForMultipleObjects(2, handles, FALSE, timeout_ms);
  if (got != WAIT_OBJECT_0 + 1) return got;
  check_stray_boxes();
  return WAIT_TIMEOUT;
}

bool read_until_closed(HANDLE pipe, std::string& text, DWORD timeout_ms) {
  const DWORD begin = GetTickCount();
  char chunk[4096];
  DWORD got = 0;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, NULL, 0, NULL, &available, NULL)) {
      if (GetLastError() != ERROR_BROKEN_PIPE) return false;
      // Every writer has gone: what is left reads without blocking.
      while (ReadFile(pipe, chunk, sizeof chunk, &got, NULL) && got > 0) text.append(chunk, got);
      return true;
    }
    if (available) {
      if (!ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof chunk), &got, NULL))
        return GetLastError() == ERROR_BROKEN_PIPE;
      text.append(chunk, got);
      continue;
    }
    if (check_stray_boxes() || GetTickCount() - begin >= timeout_ms) return false;
    Sleep(1);
  }
}

bool read_pipe_line(HANDLE pipe, std::string& pending, std::string& line, DWORD timeout_ms) {
  const DWORD begin = GetTickCount();
  for (;;) {
    const size_t end = pending.find('\n');
    if (end != std::string::npos) {
      line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      return true;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, NULL, 0, NULL, &available, NULL)) return false;  // it has ended
    if (available) {
      char chunk[4096];
      DWORD got = 0;
      if (!ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof chunk), &got, NULL)) return false;
      pending.append(chunk, got);
      continue;
    }
    if (check_stray_boxes() || GetTickCount() - begin >= timeout_ms) return false;
    Sleep(1);
  }
}

ChildMode::ChildMode(const char* flag, ChildMain main) {
  child_modes().push_back(Mode{flag, main});
}

}  // namespace itest
