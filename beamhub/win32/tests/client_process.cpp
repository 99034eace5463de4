#include "beamhub/win32/tests/client_process.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "beamhub/win32/tests/machine.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

const DWORD kStartTimeoutMs = 20000;
const DWORD kCommandTimeoutMs = 10000;
const DWORD kExitTimeoutMs = 10000;

}  // namespace

bool parse_message(const std::string& line, RemoteMessage& message) {
  char name[64];
  unsigned long pid = 0;
  if (sscanf(line.c_str(), "msg %u %63s %lu", &message.code, name, &pid) != 3) return false;
  message.name = name;
  message.pid = pid;
  message.t = strtoull(field(line, "t").c_str(), NULL, 10);
  message.line = line;
  return true;
}

std::string field(const std::string& line, const char* key) {
  std::string pattern = std::string(" ") + key + "=";
  size_t at = line.find(pattern);
  if (at == std::string::npos) return std::string();
  at += pattern.size();
  return line.substr(at, line.find(' ', at) - at);
}

unsigned long hex_field(const std::string& line, const char* key) {
  return strtoul(field(line, key).c_str(), NULL, 16);
}

ClientProcess::~ClientProcess() {
  if (process_ && running()) {
    // Gently first: without its input the client closes its window and leaves.
    if (input_) CloseHandle(input_);
    input_ = NULL;
    if (wait_for_object(process_, kExitTimeoutMs) != WAIT_OBJECT_0)
      TerminateProcess(process_, 1);
  }
  if (input_) CloseHandle(input_);
  if (output_) CloseHandle(output_);
  if (process_) CloseHandle(process_);
}

bool ClientProcess::start(const std::string& folder) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
  HANDLE child_input, child_output;
  if (!CreatePipe(&child_input, &input_, &inherit, 0)) return false;
  if (!CreatePipe(&output_, &child_output, &inherit, 0)) {
    CloseHandle(child_input);
    return false;
  }
  SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_input;
  startup.hStdOutput = child_output;
  startup.hStdError = child_output;
  std::string directory = folder.empty() ? program_folder() : folder;
  std::string command = "\"" + program_folder() + "mmcdclient.exe\"";
  PROCESS_INFORMATION info;
  BOOL started = CreateProcessA(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, directory.c_str(),
                                &startup, &info);
  CloseHandle(child_input);
  CloseHandle(child_output);
  if (!started) return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;

  if (!read_line(banner_, kStartTimeoutMs)) return false;
  unsigned long pid = 0, window = 0;
  if (sscanf(banner_.c_str(), "ready %lu %lx", &pid, &window) != 2) return false;
  window_ = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(window));
  return pid == pid_;
}

std::string ClientProcess::run(const std::string& command) {
  if (!send(command)) return "(could not send '" + command + "')";
  return result(command, kCommandTimeoutMs);
}

bool ClientProcess::send(const std::string& command) {
  std::string text = command + "\n";
  DWORD written = 0;
  return input_ && WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
}

std::string ClientProcess::result(const std::string& command, DWORD timeout_ms) {
  std::string line;
  while (read_line(line, timeout_ms)) {
    if (line.compare(0, 4, "msg ") != 0) return line;
    messages_.push_back(line);
  }
  return "(no answer to '" + command + "')";
}

std::vector<RemoteMessage> ClientProcess::take_messages() {
  // Lines come in order: once the echo is back, every message printed
  // before it has been read.
  run("echo");
  std::vector<RemoteMessage> messages;
  for (const std::string& line : messages_) {
    RemoteMessage m;
    if (parse_message(line, m)) messages.push_back(m);
  }
  messages_.clear();
  return messages;
}

bool ClientProcess::quit() {
  return run("quit") == "bye" && wait_for_exit();
}

bool ClientProcess::end_input() {
  if (input_) CloseHandle(input_);
  input_ = NULL;
  return wait_for_exit();
}

bool ClientProcess::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ClientProcess::kill() {
  return process_ && TerminateProcess(process_, 3) &&
         wait_for_object(process_, kExitTimeoutMs) == WAIT_OBJECT_0;
}

bool ClientProcess::wait_for_exit() {
  DWORD code = 1;
  return process_ && wait_for_object(process_, kExitTimeoutMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(process_, &code) && code == 0;
}

void ClientProcess::drain() {
  DWORD available = 0;
  while (output_ && PeekNamedPipe(output_, NULL, 0, NULL, &available, NULL) && available) {
    char buffer[4096];
    DWORD got = 0;
    if (!ReadFile(output_, buffer, std::min<DWORD>(available, sizeof buffer), &got, NULL)) return;
    pending_.append(buffer, got);
  }
}

bool ClientProcess::read_line(std::string& line, DWORD timeout_ms) {
  return read_pipe_line(output_, pending_, line, timeout_ms);
}

std::vector<RemoteMessage> by_arrival(const std::vector<std::vector<RemoteMessage>>& clients) {
  std::vector<RemoteMessage> all;
  for (const auto& messages : clients) all.insert(all.end(), messages.begin(), messages.end());
  std::stable_sort(all.begin(), all.end(),
                   [](const RemoteMessage& a, const RemoteMessage& b) { return a.t < b.t; });
  return all;
}

std::string describe(const std::vector<RemoteMessage>& messages) {
  std::string text = std::to_string(messages.size()) + " message(s):";
  for (const RemoteMessage& m : messages) text += "\n  " + m.line;
  return text;
}

}  // namespace itest
