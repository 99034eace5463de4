// What the detector's tests share: the detector run as a process, the
// stand-in programs it starts and their log, its resource texts, and its
// status bar read from this process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "beamhub/win32/tests/machine.h"
#include "testing/win32/harness.h"

namespace itest {

// A string of detres.dll, as the detector shows it.
std::string detector_string(UINT id);

// Waits until done() holds, checking every 50 ms; false after timeout_ms or
// a stray message box.
template <typename Done>
bool wait_until(Done done, DWORD timeout_ms = 15000) {
  for (DWORD begin = GetTickCount(); !check_stray_boxes(); Sleep(50)) {
    if (done()) return true;
    if (GetTickCount() - begin >= timeout_ms) return false;
  }
  return false;
}

// Stand-in programs in a folder of the test's own: copies of the recording
// program under the names the detector is expected to start. Each adds its
// command line to the folder's log (named to them by HALVO_RECORD_LOG,
// which the detector passes on) and stays up.
class StandIns {
 public:
  // Makes the folder (emptied) beside the test program.
  bool make(const std::string& name);
  const std::string& folder() const { return folder_; }
  // A recorder named file_name in the folder (or in another folder, such as
  // a disc's); its full path.
  std::string add(const std::string& file_name);
  std::string add_to(const std::string& folder, const std::string& file_name);

  // The command lines logged so far, oldest first.
  std::vector<std::string> lines() const;
  bool wait_for_lines(size_t count, DWORD timeout_ms = 15000) const;
  // Running processes of any of the names added.
  std::vector<DWORD> running() const;
  // Ends them and empties the log.
  void end_all();

 private:
  std::string folder_;
  std::string log_;
  std::vector<std::string> names_;
};

// detector.exe started from the program folder.
class DetectorProcess {
 public:
  DetectorProcess() = default;
  ~DetectorProcess() { end(); }
  DetectorProcess(const DetectorProcess&) = delete;
  DetectorProcess& operator=(const DetectorProcess&) = delete;

  // Starts it and waits until it waits for input (its loop, or a box).
  bool start();
  DWORD pid() const { return pid_; }
  bool running() const;
  // Its main window and status window, once they exist.
  HWND main_window() const;
  HWND status_window() const;
  HWND status_bar() const;
  // Waits for its end; the exit code.
  bool wait_for_exit(DWORD timeout_ms, DWORD* code = NULL);
  // The tray menu's quit command, then its end.
  bool quit();
  // Quits, or ends it at once when it does not.
  void end();

 private:
  HANDLE process_ = NULL;
  DWORD pid_ = 0;
};

// Text of a status bar part of another process (SB_GETTEXT through a buffer
// placed in that process); for an owner-drawn part, its data as result.
std::string status_part(HWND bar, int part, LRESULT* result = NULL);

// A top-level dialog (not a message box) of a process holding a control.
HWND find_dialog(DWORD pid, int control_id);

bool write_binary(HKEY root, const std::string& key, const char* name, const std::vector<BYTE>& bytes);
// Deletes a key with everything below it.
void delete_tree(HKEY root, const std::string& key);

}  // namespace itest
