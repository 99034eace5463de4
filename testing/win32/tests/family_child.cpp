// harness_family_child.exe: starts a copy of itself as a grandchild of the
// test, prints "family <its pid> <grandchild's pid>" and stays, as does the
// grandchild. Both leave by themselves after a minute at the latest, in
// case nothing ends them.
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const DWORD kLifetimeMs = 60000;

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--grandchild") == 0) {
    Sleep(kLifetimeMs);
    return 0;
  }
  char path[MAX_PATH];
  GetModuleFileNameA(NULL, path, MAX_PATH);
  char command[MAX_PATH + 32];
  snprintf(command, sizeof command, "\"%s\" --grandchild", path);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION grandchild;
  // Nothing inherited: the grandchild does not hold the test's pipe open.
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &grandchild))
    return 2;
  CloseHandle(grandchild.hThread);
  CloseHandle(grandchild.hProcess);
  printf("family %lu %lu\n", GetCurrentProcessId(), grandchild.dwProcessId);
  fflush(stdout);
  Sleep(kLifetimeMs);
  return 0;
}
