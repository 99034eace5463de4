// A program of the harness's test folder run as a child, its output read
// back through a pipe; ended when the object goes if it still runs.
#pragma once

#include <windows.h>

#include <string>

namespace itest {

class ChildProgram {
 public:
  ChildProgram() = default;
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  bool start(const std::string& program, const std::string& arguments);
  DWORD pid() const { return pid_; }

  // The next line it printed, without its end of line.
  bool read_line(std::string& line, DWORD timeout_ms);
  // All it prints until it closes its output.
  std::string read_rest(DWORD timeout_ms);
  // Its exit code, or false when it has not ended within timeout_ms. A
  // plain wait: a scenario looks at its child after a stray box too.
  bool wait(DWORD timeout_ms, DWORD& exit_code);
  // Lets it run on after the object has gone.
  void leave();

 private:
  HANDLE process_ = NULL;
  HANDLE output_ = NULL;
  DWORD pid_ = 0;
  std::string pending_;
};

// True when no process of this id runs (any more).
bool has_ended(DWORD pid);

}  // namespace itest
