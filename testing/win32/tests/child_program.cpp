#include "testing/win32/tests/child_program.h"

#include <algorithm>

#include "testing/win32/harness.h"

namespace itest {

bool has_ended(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

ChildProgram::~ChildProgram() {
  if (process_) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  if (output_) CloseHandle(output_);
}

bool ChildProgram::start(const std::string& program, const std::string& arguments) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
  HANDLE write_end;
  if (!CreatePipe(&output_, &write_end, &inherit, 0)) return false;
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::string command = "\"" + program_folder() + program + "\" " + arguments;
  PROCESS_INFORMATION info;
  const BOOL started =
      CreateProcessA(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info);
  CloseHandle(write_end);
  if (!started) return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  return true;
}

bool ChildProgram::read_line(std::string& line, DWORD timeout_ms) {
  return read_pipe_line(output_, pending_, line, timeout_ms);
}

std::string ChildProgram::read_rest(DWORD timeout_ms) {
  std::string text;
  text.swap(pending_);
  read_until_closed(output_, text, timeout_ms);
  return text;
}

bool ChildProgram::wait(DWORD timeout_ms, DWORD& exit_code) {
  if (!process_ || WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &exit_code);
  CloseHandle(process_);
  process_ = NULL;
  return true;
}

void ChildProgram::leave() {
  if (process_) CloseHandle(process_);
  process_ = NULL;
}

}  // namespace itest
