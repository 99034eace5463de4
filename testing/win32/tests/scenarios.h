// What the harness's tests share with the scenarios they run, one at a
// time, in harness_scenarios.exe.
#pragma once

#include <windows.h>

#include <string>

namespace itest {

const char kStrayCaption[] = "Stray box";
const char kStrayText[] = "Nobody expects this box";
// How long the stray-box scenario would wait if the box did not stop it.
const DWORD kStrayWaitMs = 60000;
// The exit code of the scenario that ends as a crash would.
const UINT kCrashExitCode = 3;

// The event the crashing scenario of this process id waits for before it ends.
inline std::string end_event_name(DWORD scenario_pid) {
  return "HalvoHarnessScenarioEnd" + std::to_string(scenario_pid);
}

}  // namespace itest
