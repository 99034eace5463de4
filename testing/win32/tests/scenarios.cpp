// Tests that go wrong on purpose, in an executable of their own that is
// not run as a test: harness_itest runs one at a time and checks how the
// harness ended it and what it printed.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "testing/win32/harness.h"
#include "testing/win32/tests/child_program.h"
#include "testing/win32/tests/scenarios.h"

namespace itest {
namespace {

const DWORD kStartTimeoutMs = 10000;

std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

// A box appears while the test waits for something else.
TEST(Scenario, StrayBox) {
  ChildProgram box;
  ASSERT_TRUE(box.start("harness_box_child.exe",
                        std::to_string(MB_OKCANCEL) + " " + quoted(kStrayCaption) + " " +
                            quoted(kStrayText)));
  HANDLE never = CreateEventA(NULL, TRUE, FALSE, NULL);
  const DWORD begin = GetTickCount();
  const DWORD waited = wait_for_object(never, kStrayWaitMs);
  printf("wait gave %lu after %lu ms\n", waited, GetTickCount() - begin);
  CloseHandle(never);
  DWORD code = 0;
  if (box.wait(kStartTimeoutMs, code)) printf("box child ended with %lu\n", code);
  fflush(stdout);
}

// The test passes but leaves a child and a grandchild running.
TEST(Scenario, LeavesAChild) {
  ChildProgram family;
  ASSERT_TRUE(family.start("harness_family_child.exe", ""));
  std::string line;
  ASSERT_TRUE(family.read_line(line, kStartTimeoutMs));
  printf("started %s\n", line.c_str());
  fflush(stdout);
  family.leave();
}

// The test process ends in the middle of a test, as a crash would: no
// check after the test runs, only the job is left to end the family.
TEST(Scenario, EndsWithAChildRunning) {
  ChildProgram family;
  ASSERT_TRUE(family.start("harness_family_child.exe", ""));
  std::string line;
  ASSERT_TRUE(family.read_line(line, kStartTimeoutMs));
  HANDLE end = CreateEventA(NULL, TRUE, FALSE, end_event_name(GetCurrentProcessId()).c_str());
  ASSERT_NE(end, (HANDLE)NULL);
  printf("started %s\n", line.c_str());
  fflush(stdout);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(end, kStartTimeoutMs));
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
}

}  // namespace
}  // namespace itest
