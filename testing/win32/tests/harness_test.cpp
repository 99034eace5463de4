// The shared main of the Win32 test executables, under Wine: boxes a test
// expects are handed to it, stray boxes fail their test at once, processes
// left running fail it and are ended, and nothing outlives the executable.
// What must fail runs as a scenario of harness_scenarios.exe, whose exit
// code and output are checked here.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "testing/win32/harness.h"
#include "testing/win32/tests/child_program.h"
#include "testing/win32/tests/scenarios.h"

namespace itest {
namespace {

const DWORD kBoxTimeoutMs = 5000;
const DWORD kRunTimeoutMs = 20000;

struct ScenarioRun {
  bool ended = false;
  DWORD exit_code = 0;
  std::string output;
};

ScenarioRun run_scenario(const char* name) {
  ScenarioRun run;
  ChildProgram scenario;
  if (!scenario.start("harness_scenarios.exe", std::string("--gtest_filter=Scenario.") + name))
    return run;
  run.output = scenario.read_rest(kRunTimeoutMs);
  run.ended = scenario.wait(kRunTimeoutMs, run.exit_code);
  return run;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The two process ids of a "started family <child> <grandchild>" line.
bool family_pids(const std::string& output, unsigned long& child, unsigned long& grandchild) {
  size_t at = output.find("started family ");
  return at != std::string::npos &&
         sscanf(output.c_str() + at, "started family %lu %lu", &child, &grandchild) == 2;
}

TEST(ExpectedBoxesTest, BoxIsHandedOverWithItsTextsAndAnsweredAsTheTestChooses) {
  const struct {
    const char* name;
    UINT style;
    const char* caption;
    const char* text;
    int button;
  } rows[] = {
      {"OK only", MB_OK, "Plain box", "One button", IDOK},
      {"OK or Cancel, answered Cancel", MB_OKCANCEL | MB_ICONWARNING, "Halvo",
       "Put a disc in drive D:", IDCANCEL},
      {"Yes or No, answered No", MB_YESNO | MB_ICONQUESTION, "Question", "Stop playing?", IDNO},
  };
  ExpectedBoxes boxes;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ChildProgram child;
    ASSERT_TRUE(child.start("harness_box_child.exe", std::to_string(row.style) + " \"" +
                                                         row.caption + "\" \"" + row.text + "\""));
    FoundBox box;
    ASSERT_TRUE(boxes.next(box, kBoxTimeoutMs)) << "no box";
    EXPECT_EQ(child.pid(), box.pid);
    EXPECT_EQ("harness_box_child.exe", box.image);
    EXPECT_EQ(row.caption, box.caption);
    EXPECT_EQ(row.text, box.text);
    ASSERT_TRUE(answer_box(box.window, row.button));
    DWORD code = 0;
    ASSERT_TRUE(child.wait(kBoxTimeoutMs, code)) << "the box was not closed";
    EXPECT_EQ(static_cast<DWORD>(row.button), code);
  }
}

TEST(StrayBoxTest, IsAnsweredWithCancelAndFailsItsTestAtOnce) {
  // The scenario's processes are in this executable's job too: expected
  // here, the box is left to the scenario's own watcher.
  ExpectedBoxes boxes;
  ScenarioRun run = run_scenario("StrayBox");
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(1u, run.exit_code) << run.output;
  EXPECT_TRUE(contains(run.output, "stray message box of harness_box_child.exe (pid ")) << run.output;
  EXPECT_TRUE(contains(run.output, std::string("caption \"") + kStrayCaption + "\", text \"" +
                                       kStrayText + "\": answered with Cancel"))
      << run.output;
  EXPECT_TRUE(contains(run.output, "[  FAILED  ] Scenario.StrayBox")) << run.output;
  // Cancel reached the box, and the wait stopped long before its time-out.
  EXPECT_TRUE(contains(run.output, "box child ended with 2")) << run.output;
  size_t at = run.output.find("wait gave ");
  ASSERT_NE(std::string::npos, at) << run.output;
  unsigned long result = 0, elapsed = 0;
  ASSERT_EQ(2, sscanf(run.output.c_str() + at, "wait gave %lu after %lu ms", &result, &elapsed));
  EXPECT_EQ(static_cast<unsigned long>(WAIT_TIMEOUT), result);
  EXPECT_LT(elapsed, kStrayWaitMs / 2);
}

TEST(LeftoverTest, ProcessesLeftRunningAreEndedAndFailTheRun) {
  ScenarioRun run = run_scenario("LeavesAChild");
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(1u, run.exit_code) << run.output;
  unsigned long child = 0, grandchild = 0;
  ASSERT_TRUE(family_pids(run.output, child, grandchild)) << run.output;
  for (unsigned long pid : {child, grandchild}) {
    EXPECT_TRUE(contains(run.output,
                         "leftover process: Scenario.LeavesAChild left harness_family_child.exe "
                         "(pid " + std::to_string(pid) + ") running; ended it"))
        << run.output;
    EXPECT_TRUE(has_ended(pid)) << pid;
  }
  EXPECT_TRUE(contains(run.output, "[  FAILED  ] Scenario.LeavesAChild")) << run.output;
}

TEST(JobTest, EndsTheGrandchildrenWhenTheTestProcessEnds) {
  ChildProgram scenario;
  ASSERT_TRUE(scenario.start("harness_scenarios.exe",
                             "--gtest_filter=Scenario.EndsWithAChildRunning"));
  std::string output, line;
  unsigned long child = 0, grandchild = 0;
  while (!family_pids(output, child, grandchild) && scenario.read_line(line, kRunTimeoutMs))
    output += line + "\n";
  ASSERT_NE(0u, grandchild) << output;
  HANDLE family[2] = {OpenProcess(SYNCHRONIZE, FALSE, child),
                      OpenProcess(SYNCHRONIZE, FALSE, grandchild)};
  ASSERT_TRUE(family[0] && family[1]);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(2, family, FALSE, 0))
      << "the family did not wait for its test process";
  HANDLE end = OpenEventA(EVENT_MODIFY_STATE, FALSE, end_event_name(scenario.pid()).c_str());
  ASSERT_NE(end, (HANDLE)NULL);
  SetEvent(end);
  CloseHandle(end);
  DWORD code = 0;
  EXPECT_TRUE(scenario.wait(kRunTimeoutMs, code));
  EXPECT_EQ(kCrashExitCode, code);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, family, TRUE, kBoxTimeoutMs));
  CloseHandle(family[0]);
  CloseHandle(family[1]);
}

}  // namespace
}  // namespace itest
