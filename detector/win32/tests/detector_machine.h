// What the detector's tests share: the detector run as a process, the
// recording stand-ins it starts, and its resource texts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/win32/driver.h"
#include "testing/win32/harness.h"
#include "testing/win32/machine.h"

namespace itest {

constexpr DWORD kDetectorWaitMs = kEventuallyMs;


// A string of detres.dll, as the detector shows it.
std::string detector_string(UINT id);

// Recorders placed under the names of the programs the detector is
// expected to start, in a test folder of their own or in a disc's folder.
class StandIns {
 public:
  explicit StandIns(const std::string& name) : folder_(name) {}
  bool ok() const { return folder_.ok(); }
  // Without a trailing backslash.
  std::string folder() const { return folder_.path().substr(0, folder_.path().size() - 1); }
  // A recorder named file_name in the folder or in another one; its path.
  std::string add(const std::string& file_name) { return add_to(folder(), file_name); }
  std::string add_to(const std::string& folder, const std::string& file_name);
  // A recorder that runs from elsewhere (a disc's copy on the drive): its
  // starts are read from there.
  void watch(const std::string& path) { paths_.push_back(path); }

  // The command lines every recorder placed was started with.
  std::vector<std::string> lines() const;
  bool wait_for_lines(size_t count) const;
  // Running processes of the names placed.
  std::vector<DWORD> running() const;
  // Ends them and forgets their starts.
  void end_all();

 private:
  TestFolder folder_;
  std::vector<std::string> paths_;
};

// detector.exe started from the program folder.
class DetectorProcess {
 public:
  DetectorProcess() = default;
  ~DetectorProcess() { end(); }
  DetectorProcess(const DetectorProcess&) = delete;
  DetectorProcess& operator=(const DetectorProcess&) = delete;

  // Starts it and waits until it waits for input (its loop, or a box).
  // folder: its current folder, where the help viewer it asks for is
  // found; NULL for the program folder.
  bool start(const char* folder = NULL);
  DWORD pid() const { return process_.pid(); }
  bool running() const { return process_.running(); }
  HWND main_window() const { return find_window("MmcdDetectorClass", "Mmcd Detector", pid()); }
  HWND status_window() const { return find_window("MmcdDetectorClass", "Status", pid()); }
  HWND status_bar() const;
  bool wait_for_exit(DWORD timeout_ms, DWORD* code = NULL) { return process_.wait(timeout_ms, code); }
  // The tray menu's quit command, then its end.
  bool quit();
  // Quits, or ends it at once when it does not.
  void end();

 private:
  Process process_;
};

// A visible top-level dialog of a process that holds this control.
HWND find_dialog(DWORD pid, int control_id);

bool write_binary(HKEY root, const std::string& key, const char* name, const std::vector<BYTE>& bytes);
// Deletes a key with everything below it.
void delete_tree(HKEY root, const std::string& key);

}  // namespace itest
